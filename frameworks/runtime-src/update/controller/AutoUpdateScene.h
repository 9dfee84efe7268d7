// What the update scene keeps of its nodes, and the bar drawing. Main thread.
//
// The scene owns the nodes; these are plain references that teardownUI
// clears without releasing anything. One set per process.
#pragma once

#include <string>
#include <vector>

namespace cocos2d {
class DrawNode;
class LayerColor;
class Label;
class Scene;
class Sprite;
namespace ui {
class Scale9Sprite;
}
}  // namespace cocos2d

struct UpdateSceneRefs {
    // The scene buildScene ran (the Director switches to it a frame later);
    // the alert goes here, above everything, when the layout did not load.
    cocos2d::Scene* scene = nullptr;
    cocos2d::Sprite* bgSprite = nullptr;
    cocos2d::Label* statusLabel = nullptr;
    // At most one of the two pills exists; barFill only when neither does.
    cocos2d::ui::Scale9Sprite* pillSprite = nullptr;
    cocos2d::DrawNode* pillDrawNode = nullptr;
    cocos2d::LayerColor* barFill = nullptr;
    // The pill's lower-left corner, full width and height.
    float pillX = 0.0f;
    float pillY = 0.0f;
    float pillMaxWidth = 0.0f;
    float pillHeight = 0.0f;
    // Height of the pill image as loaded: the reference of the pill's scale.
    float pillImageHeight = 50.0f;
    // The plain bar's lower-left corner and size.
    float barX = 0.0f;
    float barY = 0.0f;
    float barWidth = 0.0f;
    float barHeight = 0.0f;
};

extern UpdateSceneRefs updateScene;

// The z orders of the scene's own nodes (the layout keeps its own).
constexpr int kColourLayerZ = -10;
constexpr int kBackgroundZ = -5;
constexpr int kBarTrackZ = 10;
constexpr int kBarFillZ = 11;
constexpr int kPillZ = 11;
constexpr int kStatusLabelZ = 12;
// Above every node of the scene: an alert that has no layout to sit in.
constexpr int kAlertOnSceneZ = 1000;

// The search-path list of the update: twelve entries in front of the
// previous list, resourcesDir being the writable "auc/Resources/" folder.
std::vector<std::string> updateSearchPaths(const std::string& resourcesDir,
                                           const std::vector<std::string>& previous);

// Draws the bar at percent, clamped to 0..100.
void setPillPercent(float percent);
