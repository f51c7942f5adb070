// The launcher's version, as its version resource carries it.
#pragma once

#define ORVANE_VERSION_MAJOR 1
#define ORVANE_VERSION_MINOR 0
#define ORVANE_VERSION_PATCH 0
#define ORVANE_VERSION_BUILD 1
#define ORVANE_VERSION_TEXT "1.0.0.1"
