// The alert popup: a message, a title and a retry button on a framed box.
#include "cocos2d.h"
#include "ui/CocosGUI.h"
#include "update/controller/AutoUpdate.h"
#include "update/controller/AutoUpdateScene.h"
#include "update/controller/UpdateTexts.h"

using namespace cocos2d;

namespace {

const Color3B kAlertTextColour(63, 33, 4);
const Size kAlertBoxSize(600, 400);
constexpr float kMessageFontSize = 25;
constexpr float kMessageWrapWidth = 500;
constexpr float kTitleFontSize = 30;
constexpr float kTitleY = 150;
constexpr float kButtonY = -145;
constexpr float kButtonFontSize = 25;

Label* makeText(const std::string& text, float fontSize) {
    Label* label = Label::create();
    if (label == nullptr) return nullptr;
    label->setSystemFontSize(fontSize);
    label->setString(text);
    label->setColor(kAlertTextColour);
    return label;
}

}  // namespace

void AutoUpdate::showAlert(const std::string& message, const std::function<void()>& onRetry) {
    checkThread("AutoUpdate::showAlert");
    checkRunning = false;  // each alert ends the check; only its button starts the next
    const Size win = Director::getInstance()->getWinSize();
    Node* popup = Node::create();
    if (popup == nullptr) return;

    if (ui::Scale9Sprite* box = ui::Scale9Sprite::create("autoupdate/alert_bg.png")) {
        box->setContentSize(kAlertBoxSize);
        box->setPosition(0, 0);
        popup->addChild(box, 0);
    }
    if (Label* text = Label::create()) {
        text->setHorizontalAlignment(TextHAlignment::CENTER);
        text->setSystemFontSize(kMessageFontSize);
        text->setString(message);
        text->setColor(kAlertTextColour);
        text->setDimensions(kMessageWrapWidth, text->getDimensions().height);  // wraps at 500
        text->setPosition(0, 0);
        popup->addChild(text, 0);
    }
    if (Label* title = makeText(alert_title, kTitleFontSize)) {
        title->setPosition(0, kTitleY);
        popup->addChild(title, 0);
    }
    ui::Button* button = ui::Button::create("autoupdate/alert_btn.png", "autoupdate/alert_btn_down.png", "",
                                            ui::Widget::TextureResType::LOCAL);
    if (button) {
        button->setTitleText(alert_retry);
        button->setTitleFontSize(kButtonFontSize);
        button->setPosition(0, kButtonY);
        popup->addChild(button, 0);
        const std::function<void()> retry = onRetry;
        button->addClickEventListener([popup, retry](Ref*) {
            // Removing the popup frees the button and this closure: work on copies.
            const std::function<void()> next = retry;
            popup->removeFromParent();
            if (next) next();
        });
    }
    popup->setPosition(win.width / 2, win.height / 2);

    if (layoutRoot) {
        layoutRoot->addChild(popup, 0);
        return;
    }
    // Without the layout the popup goes on the scene above everything, so
    // that its button, the only way on, stays reachable.
    Node* scene = updateScene.scene ? static_cast<Node*>(updateScene.scene)
                                    : static_cast<Node*>(Director::getInstance()->getRunningScene());
    if (scene) scene->addChild(popup, kAlertOnSceneZ);
}
