// The platform side of the code page: the system's ANSI code page as tables.
#pragma once

#include "http/code_page.h"

// Built once from the system's own conversion and letter case of each byte.
// Lead bytes of two-byte characters and unmapped bytes map to nothing.
const CodePage& SystemCodePage();
