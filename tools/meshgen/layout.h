// meshgen/layout — what the model generator and the model texture generator must agree on: the
// width of the bevel band that every block texture paints around its face, and the rectangles
// of the textures that hold more than one picture.
//
// Depends on: meshgen/mesh_builder (UvRect). Limits: constants only.
#pragma once
#include "mesh_builder.h"

namespace mg {

// Block faces: the outer band of this width (a fraction of the face's rect) is mapped onto the
// bevel, from the face's edge (inner side of the band) to the middle of the bevel (outer side).
constexpr float kBevelBand = 0.1f;

// Two tones side by side (board tiles, scenery): even on the left, odd on the right.
constexpr UvRect kLeftHalf{0.0f, 0.0f, 0.5f, 1.0f};
constexpr UvRect kRightHalf{0.5f, 0.0f, 1.0f, 1.0f};
constexpr UvRect kWhole{0.0f, 0.0f, 1.0f, 1.0f};

// Frames (slider, gem box, absorber): bars on the left half, corner caps on the right.
constexpr UvRect kFrameBar = kLeftHalf;
constexpr UvRect kFrameCap = kRightHalf;

// Bomb (256 × 256): the sphere's body, the fuse cap, the fuse.
constexpr UvRect kBombBody{0.0f, 0.0f, 1.0f, 0.75f};
constexpr UvRect kBombCap{0.0f, 0.75f, 0.5f, 1.0f};
constexpr UvRect kBombFuse{0.5f, 0.75f, 1.0f, 1.0f};

// Barrel (256 × 384): the side wrapped once around, the lid disc.
constexpr UvRect kBarrelSide{0.0f, 0.0f, 1.0f, 2.0f / 3.0f};
constexpr UvRect kBarrelLid{0.0f, 2.0f / 3.0f, 0.5f, 1.0f};
constexpr UvRect kBarrelRim{0.5f, 2.0f / 3.0f, 1.0f, 1.0f};

// Black hole (256 × 128): the sphere, the ring (u around, v from the outer edge inwards).
constexpr UvRect kHoleSphere = kLeftHalf;
constexpr UvRect kHoleRing = kRightHalf;

// Platform (256 × 320): the top seen from above (x, y from −1 to 1), the broken sides.
constexpr UvRect kPlatformTop{0.0f, 0.0f, 1.0f, 0.8f};
constexpr UvRect kPlatformSide{0.0f, 0.8f, 1.0f, 1.0f};

// Tele (256 × 256): the base's faces; the pad ring below them.
constexpr UvRect kTeleFace{0.0f, 0.0f, 1.0f, 0.75f};
constexpr UvRect kTeleRing{0.0f, 0.75f, 1.0f, 1.0f};

}  // namespace mg
