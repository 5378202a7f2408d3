// The object the test programs' shared precompiled headers are built with; it holds nothing else.
