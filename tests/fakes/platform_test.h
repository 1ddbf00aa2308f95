#pragma once
// Base fixture: every test starts with a fresh scripted platform.

#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

class PlatformTest : public ::testing::Test {
  protected:
    void SetUp() override { fake::ResetPlatform(); }
    fake::FakePlatform& platform() { return fake::Platform(); }
};
