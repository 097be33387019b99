// The platform side of the code page: the system's ANSI code page as tables.
#pragma once

#include "http/code_page.h"

// Built once from the system's own conversion: one byte per character, two
// for the pages of East Asian systems, or UTF-8 where that is the page.
const CodePage& SystemCodePage();
