// Byte layout shared by the SKM/SKP readers and the exporters, and the text
// formatting both use for their console lines and reasons.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

constexpr int32_t SKM_TYPE = 2; // format type of both files
constexpr size_t SKM_HEADER_SIZE = 24;
constexpr size_t SKP_HEADER_SIZE = 28;
constexpr size_t MESH_HEADER_SIZE = 156;
constexpr size_t WEIGHT_SIZE = 32;
constexpr size_t BONE_RECORD_SIZE = 72;
constexpr size_t FRAME_HEADER_SIZE = 68;
constexpr size_t POSE_SIZE = 28;

// printf into a string of any length.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
