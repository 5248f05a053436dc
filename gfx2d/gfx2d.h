// 2D graphics: the texture store of sprite slots 0..65535 with the BMP and PNG readers and the background
// layers, sprite and primitive drawing, pixel-exact collision, bitmap fonts, off-screen surfaces, screen
// grabbing and picture saving. Every command acts on the
// one display (g_engine.display). Sprite numbers outside 0..65535 make a command do nothing (loads give
// 0, sizes 0). Colours are red + green x 256 + blue x 65536.
#pragma once

#include "runtime/rt_string.h"

class OpenGLZazuzive;

// --- Pictures and slots -----------------------------------------------------------------------------
double LoadSprite(const RtString& file, double sprite);            // 1 when the picture is in the slot, else 0 (slot empty)
void LoadAnim(const RtString& file, double sprite, double frameWidth, double frameHeight);  // LoadSprite plus the frame size
double LoadBumpTexture(const RtString& file, double sprite);       // LoadSprite as a normal map (key 0x8000FF); 1 / 0
void SetTransparency(double colour);                               // the colour key of later sprite and font loads
void GetSpriteSize(double sprite, double& width, double& height);  // picture size; 0, 0 for an empty slot
void LoadBackground(const RtString& file);                         // picture behind every frame (layer 0)
void BlackScreen();                                                // no background; clears the colour buffer

// --- Drawing ------------------------------------------------------------------------------------------
void SetAlphaMode(double alpha);     // 0 opaque, below 0 translucent (-alpha), above 0 additive (alpha)
void SetSmoothing(double on);        // non-zero: linear filtering of sprites, else nearest
void DrawSprite(double sprite, double x, double y);                               // unscaled at (x, y) rounded up
void DrawAnim(double sprite, double frame, double x, double y);                   // one frame of a strip
void StretchSprite(double sprite, double x, double y, double width, double height);  // negative sizes mirror
void StretchAnim(double sprite, double frame, double x, double y, double width,
                 double height);  // one frame of a strip, stretched
void ZoomSprite(double sprite, double x, double y, double xFactor, double yFactor);  // scaled about the centre
void RotoSprite(double sprite, double x, double y, double angle);                 // turned about the centre, degrees
void RotoZoomSprite(double sprite, double x, double y, double angle, double zoom);  // turned and scaled
void RotoZoomAnim(double sprite, double frame, double x, double y, double angle,
                  double zoom);  // one frame of a strip, turned and scaled
void StartPoly(double sprite);                                      // new polygon; sprite -1: untextured
void PolyVector(double x, double y, double sPixel, double tPixel, double colour);  // adds a vertex
void EndPoly();                                                     // draws the polygon as a triangle fan
void SetPixel(double x, double y, double colour);                  // one pixel
void DrawLine(double x1, double y1, double x2, double y2, double colour);  // end point included
void DrawRect(double x, double y, double width, double height, double colour);  // filled
double GetPixel(double x, double y);                               // colour of the picture shown last
void GetScreenSize(double& width, double& height);                 // drawing area in pixels

// --- Collision ----------------------------------------------------------------------------------------
double SpriteCollision(double sprite1, double x1, double y1, double sprite2, double x2, double y2);  // 1 / 0
double AnimCollision(double sprite1, double frame1, double x1, double y1, double sprite2, double frame2,
                     double x2, double y2);  // 1 / 0 for two frames

// --- Fonts and text -----------------------------------------------------------------------------------
void LoadFont(const RtString& file, double font);   // font 0..31 (clamped); built-in font when it fails
void SetFont(double font);                          // current font (clamped to 0..31)
void PrintText(const RtString& text, double x, double y);  // in the current font, top-left corner at (x, y)
void PrintNumber(double value, double x, double y);  // the number as text
void GetFontSize(double& cellWidth, double& cellHeight);  // cell size of the current font

// --- Off-screen surfaces, grabbing and saving --------------------------------------------------------
void CreateScreen(double surface, double sprite, double width, double height);  // surface 0..31 drawing into the sprite
void UseScreen(double surface);                     // draw into surface 0..31, or -1 for the window
void GrabSprite(double sprite, double x, double y, double width, double height);  // screen rectangle into a sprite
void UseScreenAsBackground();                       // the screen becomes background layer 0
void BlendScreen(const RtString& file);             // cross-fades the screen to the picture in 1.5 s
double SaveScreen(const RtString& file);            // the picture shown last as BMP or PNG (by name); 1 / 0
double SaveSprite(const RtString& file, double sprite);  // the sprite's picture as BMP or PNG; 1 / 0

// --- Engine joins -------------------------------------------------------------------------------------
// Joins the texture store to the display's hooks (texture unbinding, release at DestroyDisplay).
void AttachTextureStore();
// Frame start: draws background layer 0 when it holds a picture; true when it did.
bool DrawBackground();
// Start-up: the built-in font, then "smalfont.bmp", into font 0 and "Loading..." centred on the screen.
void PrintLoadingText();
// Just before a swap: keeps the picture about to be shown, for GetPixel.
void KeepShownPicture();
// The frames of BlendScreen's own loop are presented by showScreen (the engine's ShowScreen); without it
// by SwapAndWait alone.
struct Gfx2dHooks {
    void (*showScreen)() = nullptr;
};
extern Gfx2dHooks g_gfx2dHooks;
// Clears every slot and layer (textures deleted while the context exists) and frees the store.
void ReleaseTextureStore();
