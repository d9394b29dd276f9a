// SPDX-License-Identifier: MIT
// The widget tests run inside one QApplication on the offscreen platform, made before any
// test, as a host that runs Qt would have it.
#include <gtest/gtest.h>

#include "support/ModalCloser.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    nelvo::test::testApplication();
    return RUN_ALL_TESTS();
}
