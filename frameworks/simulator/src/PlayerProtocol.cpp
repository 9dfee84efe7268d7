#include "PlayerProtocol.h"

#include <memory>

namespace player {
namespace {

std::unique_ptr<PlayerProtocol>& instanceSlot()
{
    // Never destroyed: a player that outlived main would tear down Win32
    // menus after their window is gone.
    static auto* slot = new std::unique_ptr<PlayerProtocol>();
    return *slot;
}

} // namespace

PlayerProtocol::~PlayerProtocol() = default;

PlayerProtocol* PlayerProtocol::getInstance()
{
    return instanceSlot().get();
}

void PlayerProtocol::purgeInstance()
{
    instanceSlot().reset();
}

void PlayerProtocol::installInstance(PlayerProtocol* player)
{
    instanceSlot().reset(player);
}

} // namespace player
