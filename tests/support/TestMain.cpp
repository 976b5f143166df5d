// Main of the tests that need no display.
#include "TestDirs.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    tallivo::test::PrepareTestProcess();
    return RUN_ALL_TESTS();
}
