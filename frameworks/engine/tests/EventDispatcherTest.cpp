// Custom events: order, payload, and listeners that change the registry mid-dispatch.
#include "base/CCEventCustom.h"
#include "base/CCEventDispatcher.h"
#include "base/CCEventListenerCustom.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace cocos2d;

namespace {

TEST(EventDispatcher, CallsListenersOfThatNameInOrderOfAdditionWithThePayload) {
    EventDispatcher dispatcher;
    std::vector<std::string> calls;
    int payload = 7;
    dispatcher.addCustomEventListener("APP.EVENT", [&](EventCustom* e) {
        calls.push_back("first:" + e->getEventName() + ":" + std::to_string(*static_cast<int*>(e->getUserData())));
    });
    dispatcher.addCustomEventListener("APP.EVENT.DROP", [&](EventCustom*) { calls.push_back("drop"); });
    dispatcher.addCustomEventListener("APP.EVENT", [&](EventCustom*) { calls.push_back("second"); });

    EventCustom event("APP.EVENT");
    event.setUserData(&payload);
    dispatcher.dispatchEvent(&event);
    EXPECT_EQ(calls, (std::vector<std::string>{"first:APP.EVENT:7", "second"}));
}

TEST(EventDispatcher, ListenersMayRemoveAndAddDuringDispatch) {
    EventDispatcher dispatcher;
    std::vector<std::string> calls;
    EventListenerCustom* self = nullptr;
    EventListenerCustom* later = nullptr;
    self = dispatcher.addCustomEventListener("e", [&](EventCustom*) {
        calls.push_back("self");
        dispatcher.removeEventListener(self);  // itself
        dispatcher.removeEventListener(later); // one not yet called
        dispatcher.addCustomEventListener("e", [&](EventCustom*) { calls.push_back("added"); });
    });
    later = dispatcher.addCustomEventListener("e", [&](EventCustom*) { calls.push_back("later"); });
    dispatcher.addCustomEventListener("e", [&](EventCustom*) { calls.push_back("kept"); });

    dispatcher.dispatchCustomEvent("e");
    EXPECT_EQ(calls, (std::vector<std::string>{"self", "kept"}));
    calls.clear();
    dispatcher.dispatchCustomEvent("e");
    EXPECT_EQ(calls, (std::vector<std::string>{"kept", "added"}));
}

TEST(EventDispatcher, RemoveByNameAndListenerLifetime) {
    EventDispatcher dispatcher;
    int calls = 0;
    EventListenerCustom* listener = dispatcher.addCustomEventListener("a", [&](EventCustom*) { ++calls; });
    dispatcher.addCustomEventListener("a", [&](EventCustom*) { ++calls; });
    dispatcher.addCustomEventListener("b", [&](EventCustom*) { ++calls; });
    EXPECT_EQ(listener->getReferenceCount(), 1u); // the dispatcher's
    listener->retain();
    dispatcher.removeCustomEventListeners("a");
    EXPECT_FALSE(listener->isRegistered());
    EXPECT_EQ(listener->getReferenceCount(), 1u);
    listener->release();
    EXPECT_FALSE(dispatcher.hasEventListener("a"));
    EXPECT_TRUE(dispatcher.hasEventListener("b"));
    dispatcher.dispatchCustomEvent("a");
    EXPECT_EQ(calls, 0);
    dispatcher.dispatchCustomEvent("b");
    EXPECT_EQ(calls, 1);
}

TEST(EventDispatcher, StopPropagationSkipsTheRest) {
    EventDispatcher dispatcher;
    int second = 0;
    dispatcher.addCustomEventListener("e", [](EventCustom* e) { e->stopPropagation(); });
    dispatcher.addCustomEventListener("e", [&](EventCustom*) { ++second; });
    dispatcher.dispatchCustomEvent("e");
    EXPECT_EQ(second, 0);
}

} // namespace
