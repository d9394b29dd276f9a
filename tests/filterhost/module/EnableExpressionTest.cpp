// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "PIFilter.h"
#include "module/EnableExpression.h"
#include "resources/pipl/PluginIdentity.h"

using filterhost::EnableExpression;
using filterhost::ImageTraits;

namespace {

struct Case {
    int mode;
    int depth;
    bool admitted;
};

TEST(EnableExpression, ModuleExpressionAdmitsTheSupportedModesAndDeepImages) {
    const EnableExpression expression(nelvo::kEnableExpression);
    const Case cases[] = {
        {plugInModeRGBColor, 8, true},
        {plugInModeGrayScale, 8, true},
        {plugInModeCMYKColor, 8, true},
        {plugInModeLabColor, 8, true},
        {plugInModeDuotone, 8, true},
        {plugInModeHSLColor, 8, true},
        {plugInModeGray16, 16, true},
        {plugInModeRGB48, 16, true},
        {plugInModeLab48, 16, true},
        {plugInModeCMYK64, 16, true},
        {plugInModeDeepMultichannel, 16, true},
        {plugInModeRGB96, 32, true},
        {plugInModeGray32, 32, true},
        {plugInModeBitmap, 1, false},
        {plugInModeIndexedColor, 8, false},
        {plugInModeMultichannel, 8, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(expression.admits(ImageTraits{c.mode, c.depth}), c.admitted)
            << "mode " << c.mode << " depth " << c.depth;
    }
}

TEST(EnableExpression, OperatorsAndPrecedence) {
    const ImageTraits rgb8{plugInModeRGBColor, 8};
    EXPECT_TRUE(
        EnableExpression("PSHOP_ImageMode == RGBMode && PSHOP_ImageDepth == 8").admits(rgb8));
    EXPECT_FALSE(
        EnableExpression("PSHOP_ImageMode == RGBMode && PSHOP_ImageDepth == 16").admits(rgb8));
    // && binds tighter than ||.
    EXPECT_TRUE(EnableExpression("true || false && false").admits(rgb8));
    EXPECT_FALSE(EnableExpression("(true || false) && false").admits(rgb8));
    EXPECT_TRUE(EnableExpression("!(PSHOP_ImageDepth != 8)").admits(rgb8));
    EXPECT_FALSE(EnableExpression("in (PSHOP_ImageMode, LabMode, CMYKMode)").admits(rgb8));
}

TEST(EnableExpression, MalformedTextIsRefusedWithItsColumn) {
    for (const char* text :
         {"", "in (PSHOP_ImageMode)", "PSHOP_ImageMode ==", "(true", "NoSuchMode", "true ) false",
          "in PSHOP_ImageMode, RGBMode", "99999999999"}) {
        EXPECT_THROW(EnableExpression{text}, std::runtime_error) << text;
    }
    try {
        EnableExpression("true || Bogus");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("column 9"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("Bogus"), std::string::npos) << e.what();
    }
}

}  // namespace
