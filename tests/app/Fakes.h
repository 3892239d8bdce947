#pragma once

// Recording stand-ins for the start-up environment and the platform services.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "procedures/StartupEnvironment.h"
#include "fakes/FakePlatform.h"
#include "fakes/FakeStartup.h"

namespace tavrin::app::testing {

// Events of a run in the order they happened: environment calls and the
// texts of the message boxes, so tests can check what came before what.
using EventLog = std::vector<std::wstring>;

// The technician at the screen runs the tool: nothing is asked.
inline const AccountName kTechnician{L"KIOSK-PC", L"技術者", L"S-1-5-21-11-22-33-1001"};

class FakeEnvironment final : public tavrin::testing::FakeStartupEnvironment {
public:
    explicit FakeEnvironment(EventLog& log)
        : FakeStartupEnvironment(
              log, kTechnician,
              {L"C:\\Users\\技術者\\Desktop", L"C:\\Users\\技術者\\Documents",
               L"C:\\Users\\技術者\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"}) {}
};

// The platform services: the recording fakes the procedure tests use.
using FakePlatform = tavrin::testing::FakeServices;

}  // namespace tavrin::app::testing
