// The recorder window's template and control identifiers.
#pragma once

#define RECORDER_DIALOG 101
#define ID_START 1008
#define ID_STOP 1009
#define ID_LEFT_LEVEL 1001
#define ID_RIGHT_LEVEL 1011
#define ID_DEVICE_LIST 1012
#define ID_RATE_LIST 1013
#define ID_FILE_NAME 1014
#define ID_ELAPSED 1016
#define ID_LEFT_CLIPS 1002
#define ID_RIGHT_CLIPS 1003
