// meshgen/models — the game's models, each built in code by one function.
//
// Model space is the game's: z up, one board cell one unit. A block model stands on its cell's
// floor: it spans x and y from −0.5 to 0.5 and z from 0 to 1 (a block object is placed at the
// centre of its footprint, at the height of its bottom face). Board pieces lie below z = 0, the
// tile's top face at z = 0. An edge piece trims the tile's local +y side; a corner piece rounds
// the corner that lies on local +y once the piece is turned towards it (heading along the
// diagonal, e.g. (1, 1, 0) / √2 for the +x +y corner). Inner models follow the game's use:
// slider inserts and the gem are centred half a unit up, the crystal is centred on its origin
// (the game raises and tumbles it). The platform pieces are the four quarters of a 2 × 2 slab
// around the origin, split along its diagonals, whose top lies just below z = 0; the game scales
// them by the board radius. P1 is the +y quarter, P2 +x, P3 −y, P4 −x.
//
// Depends on: meshgen/mesh_builder. Limits: the list is fixed; names are the content IDs.
#pragma once
#include <vector>

#include "mesh_builder.h"

namespace mg {

struct ModelDef {
    const char* name;                 // the content ID, "BFM_…"
    void (*build)(MeshBuilder& mb, int variant);
    int variant;
    bool pickable;                    // carries a pick mesh (the cursor may pick it)
};

const std::vector<ModelDef>& ModelList();

}  // namespace mg
