// YStream: a stream that reads and writes; the host provider is one.
#pragma once

#include "host/YRStream.h"
#include "host/YWStream.h"

class YStream : public YRStream, public YWStream {};
