// The fixture of the suites that drive the scene owner: a scratch data folder under the fake
// platform, and the scene owner on the in-process recorder.
#pragma once

#include "model/model_exchange.h"
#include "support/fake_platform.h"
#include "support/journal_lines.h"
#include "support/recorder.h"

#include <gtest/gtest.h>

#include <string>

namespace orvex::test {

// The scene owner holds the renderer's session handle; it is given back before the owner
// goes, so that the journal of a test ends with the test.
class ExchangeTest : public ::testing::Test {
protected:
    ExchangeTest() { exchange.session.handle = kSessionHandle; }
    ~ExchangeTest() override { exchange.session.handle = 0; }

    ScratchDataFolder data;
    Recorder recorder;
    ModelExchange exchange{recorder.api()};
};

} // namespace orvex::test
