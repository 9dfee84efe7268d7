// Umbrella header of the editor support.
#pragma once

#include "editor-support/cocostudio/CCSGUIReader.h"
