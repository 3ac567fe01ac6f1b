#include <gtest/gtest.h>

#include "common/appstate.h"

int main(int argc, char **argv)
{
    App.Instance = GetModuleHandleA(nullptr);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
