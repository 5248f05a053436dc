// Joins the 3D engine to the 2D texture store (sprite binding, scene textures, the current font).
#pragma once

void JoinGraphics();
