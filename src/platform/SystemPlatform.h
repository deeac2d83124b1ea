#pragma once

#include "platform/Clock.h"
#include "platform/DesktopUrlOpener.h"
#include "platform/HttpGetter.h"
#include "platform/IcmpEchoService.h"
#include "platform/MessageBoxPrompts.h"
#include "platform/Platform.h"
#include "platform/ProcessLauncher.h"
#include "platform/SystemSerialProbe.h"

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
