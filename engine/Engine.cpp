#include "engine/Engine.h"

Engine::Engine(const Platform& platform, const QString& caption, const QString& mappingFolder)
    : logins(platform, state, caption), mappingKeeper(platform, state, mappingFolder)
{
    mappingKeeper.start();
}
