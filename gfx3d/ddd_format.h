// The .ddd object file: a binary form (magic 0x00C6B317, version 1.02) of quantised frames, and a text
// form ("DDDA") of faces over per-frame vertex lists. Pure functions over bytes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "gfx3d/mesh.h"

namespace tarvok {

constexpr std::uint32_t kDddMagic = 0x00C6B317;
constexpr double kDddVersion = 1.02;

enum class DddStatus {
    Ok,
    WrongVersion,  // binary form of another version ("Wrong .ddd version.", then a read error)
    ReadError,     // anything else the reader refuses ("# read error")
};

// Reads a .ddd file into an empty mesh: the binary form when the first four bytes are the magic, else
// the text form (quantised after reading). On failure the mesh is left empty. Every count, index and
// number is checked: counts past the end of the data, colour tables over 256 entries, colour indices past
// the table, normal indices of 162 and up, U/V lists shorter than a frame, non-finite numbers and
// indices outside their lists all fail the read.
DddStatus ReadDdd(std::span<const std::uint8_t> bytes, MeshObjectX& mesh);

// The binary form of the mesh (its records, colour table and U/V lists as they are).
std::vector<std::uint8_t> WriteDdd(const MeshObjectX& mesh);

}  // namespace tarvok
