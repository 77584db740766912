// Provisional: the settings module fills this in.
#include "core/settings.h"
int CFG_Width = 800;
int CFG_Height = 600;
uint8_t CFG_Windowed = 0;
uint8_t CFG_TestForHoles = 0;
uint8_t CFG_Mute = 0;
uint8_t CFG_NoSound = 0;
int CFG_XOffset = 0;
int CFG_YOffset = 0;
uint8_t CFG_LogMem = 0;
float CFG_Detail = 1.0f;
std::string APP_InstallDir = ".";
std::string APP_DataDir = ".";
