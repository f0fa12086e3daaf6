// The identifiers of the programs' resources, shared by the code and
// app/tarvolo.rc.
#pragma once

#define IDI_PROGRAM 1
