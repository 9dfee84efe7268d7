// AppEvent carries name, type, text and user data as the host sets them.
#include "AppEvent.h"

#include <gtest/gtest.h>

namespace {

TEST(AppEvent, CarriesWhatTheHostPutsIn)
{
    struct Case {
        const char* name;
        int type;
        const char* data;
    };
    const Case cases[] = {
        {kAppEventName, APP_EVENT_MENU, R"({"data":"abc","name":"menuClicked"})"},
        {kAppEventDropName, APP_EVENT_DROP, "C:\\drop\\Tr\xc3\xb2 ch\xc6\xa1i.txt"},
    };
    int item = 0;
    for (const Case& c : cases) {
        AppEvent event(c.name, c.type);
        event.setDataString(c.data);
        event.setUserData(&item);
        EXPECT_EQ(c.name, event.getEventName());
        EXPECT_EQ(cocos2d::Event::Type::CUSTOM, event.getType());
        EXPECT_EQ(c.type, event.getEventType());
        EXPECT_EQ(c.data, event.getDataString());
        EXPECT_EQ(&item, event.getUserData());
    }
    EXPECT_STREQ("APP.EVENT", kAppEventName);
    EXPECT_STREQ("APP.EVENT.DROP", kAppEventDropName);
    EXPECT_EQ(1, APP_EVENT_MENU);
    EXPECT_EQ(2, APP_EVENT_DROP);
}

} // namespace
