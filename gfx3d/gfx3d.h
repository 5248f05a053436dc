// 3D engine commands: scene, camera and transforms; objects and the .ddd format; object drawing.
//
// Numbers arrive as doubles; slot, frame, index and sprite numbers are truncated toward zero, coordinates,
// angles and factors stay floats. No command reports an error unless its line says so: bad slot numbers
// (outside 0..4095) do nothing and give 0. Commands need the scene made by CreateScene3D.
#pragma once

#include "runtime/rt_array.h"
#include "runtime/rt_string.h"

class Zazuzive3D;

// ---------------------------------------------------------------------------------------------------
// Engine joins

Zazuzive3D* CreateScene3D();  // makes g_engine.scene (engine start; the display is made before)
void DestroyScene3D();        // releases every object and g_engine.scene (engine shutdown)
void Leave3DMode();           // screen flip: closes a shadow pass, shader off, 2D drawing, mip textures off

// ---------------------------------------------------------------------------------------------------
// Scene and camera

void Start3D(double zNear, double zFar, double fov);  // 3D mode for the rest of the frame; fov <= 0: orthographic
void ClearZBuffer();                                  // clears the depth buffer only
void SetCamera(double ex, double ey, double ez, double tx, double ty, double tz);  // eye and target
void SetCameraUp(double x, double y, double z);       // up vector for the next SetCamera
void SetCulling(double mode);                         // 0 off, below 0 counter-clockwise, above 0 clockwise front faces
void SetMovement(double x, double y, double z);       // new transform on this level, with this translation
void SetScaling(double x, double y, double z);        // new transform on this level, with this scale
void AddRotation(double angle, double x, double y, double z);  // rotation in degrees about an axis (16 per level)
void MultMatrix(const RtArray<double>& matrix);       // 16 numbers, column-major; any other array: error 9
void PushTransform();                                 // child level inheriting the current matrix (16 levels)
void PopTransform();                                  // parent level; on level 0 resets it
void DrawAxes(double x, double y, double z);          // red, green, blue axis arrows of 20 units at a point
void DrawLine3D(double x1, double y1, double z1, double x2, double y2, double z2, double width,
                double colour);  // a line between two points, width in pixels
void DrawPoint3D(double x, double y, double z, double size, double colour);  // size 1..512
void Print3D(const RtString& text, double x, double y, double z, double size);  // size 0: on screen at the point

// ---------------------------------------------------------------------------------------------------
// Objects

double LoadObject(const RtString& file, double slot);  // .ddd (binary or text) or scene description; 1 or 0
double SaveObject(const RtString& file, double slot);  // first mesh as binary .ddd; 1, or 0 (empty slot, no file)
void StartObject(double slot);                         // empties the slot and opens it for building
void AddVertex(double x, double y, double z, double u, double v, double colour);  // -1..-3: group markers
void NewGroup();                                       // starts a new triangle strip
void EndObject();                                      // finishes the built object
void SetNormalMode(double mode);                       // 0 as given, 1 face normals, 2 smoothed (modulo 3)
void GetTriangle(double slot, double frame, double index, RtArray<double>& array);  // 3 x 9: x y z u v colour nx ny nz

// ---------------------------------------------------------------------------------------------------
// Object drawing

void DrawObject(double slot, double frame);            // one frame
void DrawAnimation(double slot, double from, double to, double factor, double mode);  // blended frames
void SetTexture(double sprite1, double sprite2);       // textures of units 0 and 1 (-1 none)
void UseMipTextures(double flag);                      // bind sprites' mip-mapped textures (non-zero)
void SetTextureOffset(double du, double dv);           // added to every u and v when drawing

// ---------------------------------------------------------------------------------------------------
// Lights, fog and shadows

// Light 0..7 (id mod 8; cutoff 0 switches it off, 180 directional, above 90 point, else spot); a negative
// id sets the special draw mode and its light: -1 bump mapping, -3 shadow volumes, others cel shading
// (on while |cutoff| >= 0.00001).
void SetLight(double id, double colour, double x, double y, double z, double dx, double dy, double dz,
              double cutoff);  // a light at (x, y, z) shining along (dx, dy, dz), or a special draw mode
void SetCameraLight(double id, double colour);         // directional light from the camera eye
void SetFog(double colour, double mode, double start, double end);  // colour -1 off; mode 0 linear, else exp
void UseNormals(double flag);                          // normals fed to drawing also with lights off
void SetShadeRamp(const RtArray<double>& array);       // cel-shading bands as bytes; empty: [255]

// ---------------------------------------------------------------------------------------------------
// Collision and picking (in the current transform's object space)

double SphereCollision(double slot, double frame, double radius, double x, double y, double z);  // 1 or 0
double ObjectBoxCollision(double slot, double frame, double x, double y, double z, double width, double height,
                          double depth);  // 1 when the box overlaps a triangle, else 0
double SphereBoxCollision(double x, double y, double z, double radius, double width, double height,
                          double depth);  // 1 when the sphere touches the box around the origin
double RayCollision(double slot, double frame, double x, double y, double z, double dx, double dy,
                    double dz);  // distance to the nearest hit (in front first, else behind), 0 for none
void WorldToScreen(double x, double y, double z, double& screenX, double& screenY,
                   double& depth);  // window pixel and depth (0..1) of a point
void ScreenToWorld(double screenX, double screenY, double depth, double& x, double& y,
                   double& z);  // the point at a window pixel and depth (0..1): picking

// ---------------------------------------------------------------------------------------------------
// Shaders

double LoadShader(double slot, const RtString& vertexFile, const RtString& fragmentFile);  // slot 0..254; 1 or 0
void UseShader(double slot);                            // 0..254: that slot's program; other values: none
void SetShaderFloat(const RtString& name, double value);  // float uniform of the current shader
