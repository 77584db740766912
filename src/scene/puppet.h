// scene/puppet — per-object bone state that lets one skinned model deform independently on many
// objects: every bone keeps its rest pose from the mesh's skeleton, and drawing skins the
// object's own mesh copy from the bind-pose positions.
// Depends on: scene/object (OBJ_Current, the object's model and world matrix), render/mesh (the
// skinning sections through the MESHF_ views, MESH_SetDirty, MESH_Draw), core/math, core/mem.
// Limits: bones are in model space (no parent chaining); normals are not skinned; at most four
// influences per vertex.
#pragma once
#include "core/math.h"
#include "data/mesh_format.h"

struct Object;

// One bone's state. The definition is copied so a puppet never points into a freed mesh copy.
struct PuppetBone {
    MeshBone definition;
    Vec3 position;                                 // rest position (the root: the skeleton's root)
    Vec3 forward;
    Vec3 up;
    Vec3 scale;                                    // 1, 1, 1 at rest
    Mat4 frame;                                    // derived world frame (model space)
};

struct Puppet {
    PuppetBone* bones;                             // boneCount + 1 states
    int boneCount;
};

void PUP_SetPuppet();                              // on OBJ_Current: render mode 2 and a rest-pose puppet
void PUP_Release(Object* obj);                     // frees it; render mode 2 falls back to 1
void PUP_Draw();                                   // skins OBJ_Current's mesh copy and draws it unless hidden
