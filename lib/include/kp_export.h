// One export macro for Kaptolib's classes and functions.
#pragma once

#if defined(_WIN32) && !defined(KPLIB_STATIC)
#ifdef KPLIB_BUILDING
#define KPLIB_API __declspec(dllexport)
#else
#define KPLIB_API __declspec(dllimport)
#endif
#else
#define KPLIB_API
#endif
