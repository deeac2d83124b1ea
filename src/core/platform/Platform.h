#pragma once

class Prompts;
class ProcessLauncher;
class Clock;
class UrlOpener;
class HttpGetter;
class EchoService;
class SerialProbe;

// The operating-system services the windows use; tests hand in fakes for each.
struct Platform {
    Prompts& prompts;
    ProcessLauncher& processes;
    Clock& clock;
    UrlOpener& urls;
    HttpGetter& http;
    EchoService& echo;
    SerialProbe& serial;
};
