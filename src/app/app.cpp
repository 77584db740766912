// app — start-up, the window procedure, the message pump, the main loop (being wired up).
#include "app/app.h"

uint8_t APP_Active = 0;
uint8_t APP_DeviceReady = 0;
uint8_t APP_Focused = 0;
uint8_t APP_Quit = 0;

const char* const APP_DisplayName = "Zan Dor";
const char* const APP_ProductName = "Zandor";
const char* const APP_MakerName = "Taglum Games";
const char* const APP_Version = "1.12.0";

int APP_Start(int, char**)
{
    return 0;
}
