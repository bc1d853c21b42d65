// The agent's own version, shown in its version-information block.
#pragma once

#define YOL_VERSION_COMMA 12, 1, 0, 1
#define YOL_VERSION_TEXT "12.1.0.1"
