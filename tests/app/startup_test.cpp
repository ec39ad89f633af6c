#include "app/tfcomm.h"

#include <gtest/gtest.h>

TEST(Startup, ShippedVariantSetsTitle)
{
    TFCOMM window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Brenmoor 5082 Interface Program _Ver: 2.02"));
}
