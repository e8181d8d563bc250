// Wall-clock time as signed 64-bit seconds since 1970-01-01 00:00 UTC.
#pragma once

#include <windows.h>

#include <cstdint>

int64_t SecondsSince1970();
int64_t FileTimeToSeconds(const FILETIME& time);
