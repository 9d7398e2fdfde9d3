// GoogleTest entry for widget tests: one application object for the whole run, the
// program's own, so errors escaping a handler reach the error box as in the program.
#include <gtest/gtest.h>

#include "application.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
