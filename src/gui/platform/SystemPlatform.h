#pragma once

#include "core/platform/Clock.h"
#include "core/platform/Platform.h"
#include "core/platform/ProcessLauncher.h"
#include "core/platform/SystemSerialProbe.h"
#include "gui/platform/DesktopUrlOpener.h"
#include "gui/platform/MessageBoxPrompts.h"
#include "net/IcmpEchoService.h"
#include "net/NetworkHttpGetter.h"

// The real operating-system services, as the program hands them to its windows.
struct SystemPlatform {
    MessageBoxPrompts prompts;
    SystemProcessLauncher processes;
    SystemClock clock;
    DesktopUrlOpener urls;
    NetworkHttpGetter http;
    IcmpEchoService echo;
    SystemSerialProbe serial;
    Platform platform{prompts, processes, clock, urls, http, echo, serial};
};
