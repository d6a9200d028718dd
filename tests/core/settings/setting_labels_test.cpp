// Messages about a stored setting name it as the dialog does.
#include <gtest/gtest.h>

#include "core/settings/setting_labels.h"
#include "core/settings/settings_record.h"

using namespace lumivane;

TEST(SettingLabels, EveryKeyThatCanBeUnreadableHasTheDialogsCaption)
{
    EXPECT_EQ(settingLabel("DayCost"), "Day Time Cost per kWh \xC2\xA3");
    // Texts are taken as stored, so only numbers and switches can fail to read.
    for (const SettingKey& key : settingKeys()) {
        if (key.type != SettingType::Text) {
            EXPECT_NE(settingLabel(key.key), key.key) << key.key;
        }
    }
    EXPECT_EQ(settingLabel("NoSuchKey"), "NoSuchKey");
}
