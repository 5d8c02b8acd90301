// How the plug-in's entry points are declared for the host.
#pragma once

#if defined(_WIN32)
// The host calls with stdcall on x86 (ignored on x64); the .def file exports
// the undecorated names.
#define TASC_EXPORT extern "C" __declspec(dllexport)
#define TASC_CALL __stdcall
#else
#define TASC_EXPORT extern "C" __attribute__((visibility("default")))
#define TASC_CALL
#endif
