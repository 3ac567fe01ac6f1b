#include <gtest/gtest.h>

#include "common/appstate.h"
#include "shellglue/system.h"

int main(int argc, char **argv)
{
    App.Instance = GetModuleHandleA(nullptr);
    LearnSystem();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
