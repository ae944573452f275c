#pragma once

#include "engine/Engine.h"
#include "engine/EngineModel.h"
#include "engine/EngineService.h"
#include "engine/ServiceActions.h"
#include "engine/StatusWatch.h"

// An engine as the windows of its own process see it: its interface feeds
// the model, the actions go to it.
struct ServedModel
{
    ServedModel(Engine& engine, const Platform& platform)
        : status(engine, platform.clock), service(engine, status, platform, platform.programFolder),
          actions(engine, service)
    {
        followService(model, service);
    }

    StatusWatch status;
    EngineService service;
    EngineModel model;
    ServiceActions actions;
};
