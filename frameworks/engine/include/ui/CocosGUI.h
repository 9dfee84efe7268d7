// Umbrella header of the UI widgets.
#pragma once

#include "ui/UIButton.h"
#include "ui/UIHelper.h"
#include "ui/UIImageView.h"
#include "ui/UILayout.h"
#include "ui/UILoadingBar.h"
#include "ui/UIScale9Sprite.h"
#include "ui/UIText.h"
#include "ui/UIWidget.h"
