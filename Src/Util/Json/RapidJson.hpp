#pragma once

// The one way add-on code includes RapidJSON: the error hooks of ParseException.hpp first,
// then the reader, the document and the writer.

#include "Util/Json/ParseException.hpp"

#include <rapidjson/document.h>
#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
