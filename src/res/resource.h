#pragma once
// Resource identifiers of the program.
#define IDD_ORVANE_DIALOG 102
