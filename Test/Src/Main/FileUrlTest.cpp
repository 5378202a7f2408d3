#include "Main/FileUrl.hpp"

#include <gtest/gtest.h>

namespace TesselConnect::Test {

TEST(FileUrl, AbsolutePathGetsTheFileSchemeAndKeepsItsSeparators) {
    EXPECT_EQ(FileUrlOfPath("/opt/vantrel/Add-Ons/ArdoTesselConnect.so"),
              "file:///opt/vantrel/Add-Ons/ArdoTesselConnect.so");
}

TEST(FileUrl, EveryByteOutsideTheUnreservedSetIsPercentEncoded) {
    EXPECT_EQ(FileUrlOfPath("/a b/c#d%e?f"), "file:///a%20b/c%23d%25e%3Ff");
    EXPECT_EQ(FileUrlOfPath("/Gr\xC3\xBC\xC3\x9F"
                            "e/x~y_z.so"),
              "file:///Gr%C3%BC%C3%9Fe/x~y_z.so");
}

TEST(FileUrl, RelativePathStaysRelative) {
    EXPECT_EQ(FileUrlOfPath("lib/x y.so"), "lib/x%20y.so");
    EXPECT_EQ(FileUrlOfPath(""), "");
}

} // namespace TesselConnect::Test
