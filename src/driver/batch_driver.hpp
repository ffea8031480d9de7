// The batch driver: CGM import mode, or the check of the single part and of
// every part of the part list.
#pragma once

extern "C" int StartOfProgram();

int create_drawing_snapshot();
