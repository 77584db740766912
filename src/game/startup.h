// game/startup — the start-up content load, run once from APP_FirstScreen: the archives now;
// the player files, splash screens, bulk load, pages, language and effect copies join it as
// their modules arrive; then the first game mode.
#pragma once

bool GAM_StartupContentLoad();   // false when start-up must stop (a report has been raised)
