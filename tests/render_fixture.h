// Shared fixture for tests on the recording device: a fresh data folder with an open log, a
// recording display device, and empty texture, material and mesh tables (emptied again after).
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/app.h"
#include "app/err.h"
#include "core/log.h"
#include "core/mem.h"
#include "core/settings.h"
#include "platform/gfx/gfx.h"
#include "platform/os/os.h"
#include "render/device.h"
#include "render/draw.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture.h"

class RenderTest : public testing::Test {
protected:
    static gfx::Device* RecordingFactory(int, int, bool) { return gfx::GFX_CreateRecordingDevice(); }

    // `folder` prefixes the data folder under the test HOME (numbered per test).
    void StartRender(const char* folder)
    {
        os::FAKE_Reset();
        LOG_ResetForTests();
        ERR_ResetForTests();
        APP_Quit = 0;
        static int n = 0;
        dir_ = std::string(getenv("HOME")) + "/" + folder + std::to_string(++n);
        os::OS_MakeDir(dir_);
        savedDataDir_ = APP_DataDir;
        APP_DataDir = dir_;
        LOG_Open();
        DEV_ResetForTests();
        DEV_SetFactory(RecordingFactory);
        DEV_Init();
        ASSERT_NE(DEV_Device, nullptr);
        rec_ = static_cast<gfx::RecordingDevice*>(DEV_Device);
        DRW_InvalidateCache();
        TEX_ResetForTests();
        MESH_ResetForTests();
        MTL_ResetForTests();
        MEM_F_Init();
        MEM_F_Reset();
    }
    // Meshes go before the images they point at; callers destroy their objects first.
    void StopRender()
    {
        MESH_ResetForTests();
        MTL_ResetForTests();
        TEX_ResetForTests();
        DEV_ResetForTests();
        LOG_ResetForTests();
        ERR_ResetForTests();
        APP_Quit = 0;
        APP_DataDir = savedDataDir_;
    }
    std::string dir_, savedDataDir_;
    gfx::RecordingDevice* rec_ = nullptr;
};
