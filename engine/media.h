// Video playback and text entry: blocking commands that run their own small loops in the game window.
//
// A video plays in the window, scaled to fit and centred, until it ends or a key or mouse button is
// pressed; its sound plays on a mixer channel of its own, so music keeps looping meanwhile. Each picture
// shown counts as a frame of a scripted run (shots, key script, frame limit), as each ShowScreen does.
// Text entry edits a line over the frozen screen, one ShowScreen per pass, until Enter.
#pragma once

#include <cstdint>

#include "runtime/rt_string.h"

// --- Video ------------------------------------------------------------------------------------------
void PlayVideo(const RtString& file);                   // plays the video once (ShowVideo, repeat 0)
void PlayVideoLoop(const RtString& file);               // plays it over and over until a key or button
double ShowVideo(const RtString& file, double repeat);  // 0 after playing, 3 when it cannot be opened

// --- Text entry -------------------------------------------------------------------------------------
void InputText(RtString& text, double x, double y);   // edits the text at (x, y) until Enter
void InputNumber(double& value, double x, double y);  // reads a line; value := its number by the text rule

namespace tarvok {

// Where a video goes in the window: the source scaled by the smaller of the two ratios, each side
// truncated (at least 1 pixel), centred with integer halves of the room left.
struct VideoPlacement {
    std::int32_t x = 0, y = 0;           // top-left corner in client pixels
    std::int32_t width = 0, height = 0;  // drawn size
};
VideoPlacement FitVideo(std::int32_t sourceWidth, std::int32_t sourceHeight, std::int32_t clientWidth,
                        std::int32_t clientHeight);

// Text entry's editing of the line by one typed character: line feed (Enter) finishes and gives true,
// backspace cuts the last byte of a non-empty text, any other character is appended.
bool EditLine(RtString& text, int typed);

}  // namespace tarvok
