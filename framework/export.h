// One export macro for the framework layer. The layer is a shared library on
// Windows (one copy of its state serves the program and the library); the
// native build links it statically and needs no decoration.
#pragma once

#if defined(_WIN32) && !defined(KFW_STATIC)
#ifdef KFW_BUILDING
#define KFW_API __declspec(dllexport)
#else
#define KFW_API __declspec(dllimport)
#endif
#else
#define KFW_API
#endif
