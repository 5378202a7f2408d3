#include "Main/FileUrl.hpp"

#include <gtest/gtest.h>

#include <utility>

namespace TesselConnect::Test {

// Absolute paths get the file scheme and keep their separators; relative ones stay relative.
TEST(FileUrl, EveryByteOutsideTheUnreservedSetIsPercentEncoded) {
    const std::pair<const char*, const char*> cases[] = {
        {"/opt/vantrel/Add-Ons/ArdoTesselConnect.so", "file:///opt/vantrel/Add-Ons/ArdoTesselConnect.so"},
        {"/a b/c#d%e?f", "file:///a%20b/c%23d%25e%3Ff"},
        {"/Gr\xC3\xBC\xC3\x9F"
         "e/x~y_z.so",
         "file:///Gr%C3%BC%C3%9Fe/x~y_z.so"},
        {"lib/x y.so", "lib/x%20y.so"},
        {"", ""},
    };
    for (const auto& [path, url] : cases) {
        EXPECT_EQ(FileUrlOfPath(path), url) << path;
    }
}

} // namespace TesselConnect::Test
