#pragma once

// Resource ids shared by quorvane.rc and the program.
#define IDI_QUORVANE 1
