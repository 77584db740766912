// Temporary weak stand-ins for the game modules being written in parallel; each real module
// overrides them. Deleted when the modules are integrated.
#include "game/arcade.h"
#include "game/block.h"
#include "game/board.h"
#include "game/camera.h"
#include "game/match.h"
#include "game/mode.h"
#include "game/specials.h"

#define W __attribute__((weak))

// block
W Block* BLK_Selected = nullptr;
W Block* BLK_Hovered = nullptr;
W Block* BLK_Candidate = nullptr;
W float BLK_CandidateDist = 0;
W Block* BLK_PrevCandidate = nullptr;
W Block* BLK_Dragged = nullptr;
W int BLK_Moves = 0;
W int BLK_GravityPass = 0;
W float BLK_LandCooldown = 0;
W Object* BLK_HeldObject = nullptr;
W int BLK_MoveMask = 0;
W Block BLK_SolidRecord{};
W Behaviour BLK_Behaviour() { co_await OBJ_Kill(nullptr); }
W bool BLK_Spawn(const Vec3&, int, bool, bool) { return false; }
W bool BLK_SpawnAtCell(int, int, int, int) { return false; }
W Block* BLK_Of(const Object*) { return nullptr; }
W bool BLK_IsBlockObject(const Object*) { return false; }
W bool BLK_AtRest(const Block* b) { return b && b->settle == 0; }
W bool BLK_TouchesMagnet(const Block*) { return false; }
W bool BLK_TryMove(Block*, int, int, bool, bool) { return false; }
W void BLK_QueueMove(Block*, const Vec3&, bool) {}
W void BLK_RunQueue() {}
W void BLK_Gravity() {}
W void BLK_HeldMask() {}
W void BLK_UpdateSelection(bool) {}
W void BLK_KillAll() {}
W void BLK_ResetForLevel() {}
W void BLK_SetColourModels() {}
W int BLK_ColourModel(int, bool) { return 0; }

// board build
W void BRD_Build() {}
W void BRD_KillTiles() {}
W int BRD_TileCount() { return 0; }

// specials
W float ODD_Timer = 0;
W Block* ODD_List[ODD_ListSize] = {};
W int ODD_ListCount = 0;
W float STORM_ColourfulCooldown = 0;
W float STORM_Time = 0;
W float STORM_Level = 0;
W float STORM_Strobe = 0;
W uint8_t STORM_RgbFlag = 0;
W Block* ABS_List[ABS_ListSize] = {};
W int ABS_Count = 0;
W void ODD_Tick() {}
W void ODD_Rearm() {}
W void STORM_Tick() {}
W void STORM_Start(float) {}
W void ABS_Tick() {}
W void SPC_ResetLevel() {}
W void SPC_Start(Block*) {}
W int SPC_ColourModel(const Block*) { return 0; }
W void SPC_Tick(Block*) {}
W void SPC_Visual(Block*) {}
W void SPC_StopEmitters(Block*) {}

// match
W int SCORE_Score = 0;
W int SCORE_Pending = 0;
W int MATCH_GemClears = 0;
W float MATCH_Delay = 0;
W void MATCH_Groups() {}
W void MATCH_Gems() {}
W void SCORE_Begin() {}
W void SCORE_Add(int) {}
W void SCORE_Commit() {}
W int MATCH_GroupPoints(int) { return 0; }

// arcade
W int ARC_Difficulty = 0;
W float ARC_CurveTime = 0;
W float ARC_Intensity = 0;
W float ARC_DropInterval = 0;
W float ARC_DropTimer = 0;
W int ARC_NextColour = 1;
W uint8_t ARC_ColourBag[5] = {};
W int ARC_QuickDrops = 0;
W int ARC_LevelNumber = -1;
W int ARC_LevelUps = 0;
W float ARC_LevelUpTimer = 0;
W float ARC_BurstSignal = 0;
W int ARC_BurstLeft = 0;
W int ARC_AverageFill = 0;
W int ARC_TopLayer = 0;
W float ARC_StackHeight = 10;
W uint8_t ARC_Panic = 0;
W float ARC_PanicMeter = 0;
W float ARC_Countdown = 0;
W int ARC_BoardState = 0;
W uint8_t ARC_GameOver = 0;
W float ARC_ExplosionTime = 0;
W float ARC_FireworksTime = 0;
W void ARC_StartGame(int) {}
W void ARC_ResetLevel() {}
W void ARC_Curve() {}
W void ARC_Drops() {}
W void ARC_Level() {}
W void ARC_BurstTrigger() {}
W void ARC_Stats() {}
W void ARC_PanicFlag() {}
W void ARC_FireworksSound() {}
W void ARC_Fill(int) {}
W void ARC_BoardTick() {}
W void ARC_Fireworks(int) {}
W int ARC_BagNext() { return 1; }
W void ARC_BagEmpty() {}
W float ARC_IntervalAt(float) { return 6; }
W void ARENA_Draw() {}

// mode
W int GAM_Mode = 0;
W float GAM_ModeTime = 0;
W int GAM_Type = 0;
W int GAM_FillLayers = 3;
W int GAM_ArcadeIndex = 0;
W float GAM_Scroll = 0;
W void GAM_Reset() {}
W void GAM_SetMode(int) {}
W void GAM_RequestMode(int) {}
W bool GAM_RequestPending() { return false; }
W void GAM_ChooseArcade(int) {}
W void GAM_Update() {}
W void GAM_Draw() {}
W void GAM_StartPlay() {}
W void GAM_StopPlay() {}
W bool GAM_LevelFading() { return false; }

// camera
W float CAM_Angle = 0;
W float CAM_Speed = 0;
W float CAM_Shake = 0;
W Vec3 CAM_Right{};
W Vec3 CAM_EyeMove{};
W bool CAM_EmptyDrag = false;
W void CAM_Reset() {}
W void CAM_Update() {}
W void CAM_RequestShake(float) {}

