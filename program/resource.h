#pragma once
// Resources that more than the shell shows: the program's icon, also the document windows'.
#define IDI_RIDGEWRIGHT 1
