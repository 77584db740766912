// game/startup — the start-up content load.
//
// Registers the content types that only the game knows of and opens every archive of the
// install folder. Level lists ("LED") are added before the archives are opened (their loader
// copies what it needs), particle effects ("PFX") after (kept: their module owns the bytes). A refused
// archive has already raised its report (which sets APP_Quit), so start-up simply stops. Then
// the bulk load walks the main archive type by type: textures first, then materials, then
// meshes (whose parts name their materials). Last the first game mode is entered: the title,
// or with the developer switch #PLAYARCADE(d) in Config.txt an arcade game at difficulty d
// straight away. Depends on data/lmo, app/err, core/settings, game/mode and the render modules
// that own the loaders.
#include "game/startup.h"

#include "app/err.h"
#include "core/settings.h"
#include "data/lmo.h"
#include "game/levellist.h"
#include "game/mode.h"
#include "render/material.h"
#include "render/mesh.h"
#include "render/texture.h"

bool GAM_StartupContentLoad()
{
    ERR_LogSupport();
    LMO_AddType("LED", SET_LoadListEntry, 0);
    if (!LMO_OpenAll()) return false;
    LMO_AddType("PFX", nullptr, 1);

    TEX_RegisterLoader();
    MTL_RegisterLoaders();
    MESH_RegisterLoader();
    LmoHooks hooks;
    hooks.createTexture = TEX_HookCreate;
    hooks.tempTexture = TEX_HookTemporary;
    LMO_SetHooks(hooks);
    if (!LMO_LoadAll()) return false;
    MTL_LogAll();

    GAM_Type = GAM_TYPE_NONE;
    if (CFG_PlayArcade >= 1 && CFG_PlayArcade <= 3) {
        GAM_ChooseArcade(CFG_PlayArcade);
        GAM_SetMode(GAM_MODE_PLAY);
    } else {
        GAM_SetMode(GAM_MODE_TITLE);
    }
    return true;
}
