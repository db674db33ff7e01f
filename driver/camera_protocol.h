// The camera's command protocol, shared by the camera library, the driver and the simulated
// camera: pipes, 64-byte commands and replies, sensor registers and their access table, and
// the raw frame geometry. Pure constants and functions; no I/O.
#pragma once

#include "platform/win_types.h"

#include <array>
#include <cstddef>

// Pipes, by their index in the camera's interface.
constexpr DWORD CAM_PIPE_COMMAND = 0; // bulk OUT: 64-byte commands to the camera
constexpr DWORD CAM_PIPE_REPLY = 1;   // bulk IN: 64-byte replies
constexpr DWORD CAM_PIPE_IMAGE = 2;   // bulk IN: raw frames
constexpr DWORD CAM_IMAGE_PIPE_MAX_TRANSFER = 0x3FFFFF;
constexpr DWORD CAM_OTHER_PIPE_MAX_TRANSFER = 1024;

// Commands: byte 0 of a 64-byte message; parameters follow, unused bytes are zero.
constexpr std::size_t CAM_MESSAGE_SIZE = 64;
using CAM_MESSAGE = std::array<BYTE, CAM_MESSAGE_SIZE>;

constexpr BYTE CAM_CMD_FRAME = 0x02;             // a frame follows on the image pipe
constexpr BYTE CAM_CMD_FRAME_QUEUED = 0x03;      // the host has queued its frame transfer
constexpr BYTE CAM_CMD_WRITE_REG = 0x04;         // register, value high byte, value low byte
constexpr BYTE CAM_CMD_INIT = 0x06;              // sensor registers back to their power-on values
constexpr BYTE CAM_CMD_SET_TRANSFER_SIZE = 0x09; // 32-bit little-endian byte count of an 8-bit frame
constexpr BYTE CAM_CMD_SET_DATA_WIDTH = 0x0A;    // 1: 10-bit samples, 0: 8-bit
constexpr BYTE CAM_CMD_READ_REG = 0x0C;          // register; reply bytes 0-1 = value, high byte first
constexpr BYTE CAM_CMD_SET_HALF_CLOCK = 0x23;    // 1: half clock, 0: normal
constexpr BYTE CAM_CMD_GET_HALF_CLOCK = 0x24;    // reply byte 0 non-zero: half clock

// Sensor registers (16-bit values).
constexpr BYTE CAM_REG_CHIP_VERSION = 0x00;
constexpr BYTE CAM_REG_ROW_START = 0x01;    // window y + 3
constexpr BYTE CAM_REG_COLUMN_START = 0x02; // window x + 10
constexpr BYTE CAM_REG_ROW_END = 0x03;      // window y + height + 8
constexpr BYTE CAM_REG_COLUMN_END = 0x04;   // 658
constexpr BYTE CAM_REG_H_BLANK = 0x05;      // 10
constexpr BYTE CAM_REG_V_BLANK = 0x06;      // 25
constexpr BYTE CAM_REG_OUTPUT_MODE = 0x07;
constexpr BYTE CAM_REG_EXPOSURE = 0x09; // exposure (shutter) in lines
constexpr BYTE CAM_REG_GAIN_BLUE = 0x2B;
constexpr BYTE CAM_REG_GAIN_GREEN1 = 0x2C;
constexpr BYTE CAM_REG_GAIN_GREEN2 = 0x2D;
constexpr BYTE CAM_REG_GAIN_RED = 0x2E;
constexpr BYTE CAM_REG_GLOBAL_GAIN = 0x35; // 7 bits
constexpr BYTE CAM_REG_CHIP_ID = 0x8F;

constexpr BYTE CAM_REG_READABLE = 0x01;
constexpr BYTE CAM_REG_WRITABLE = 0x02;

// The register access table: which registers may be read and written.
constexpr BYTE CamRegisterAccess(int nRegister)
{
    constexpr BYTE kReadWrite = CAM_REG_READABLE | CAM_REG_WRITABLE;
    if (nRegister == 0x00 || nRegister == 0x8F)
        return CAM_REG_READABLE;
    if ((nRegister >= 0x01 && nRegister <= 0x0A) || nRegister == 0x0C || nRegister == 0x0D ||
        (nRegister >= 0x10 && nRegister <= 0x17) || nRegister == 0x1D || (nRegister >= 0x2B && nRegister <= 0x2E) ||
        nRegister == 0x35 || nRegister == 0x3B)
        return kReadWrite;
    if (nRegister == 0x0E || nRegister == 0x0F)
        return CAM_REG_WRITABLE;
    return 0;
}

// Raw frame geometry: the sensor, and how a capture window becomes raw rows on the image pipe.
constexpr int CAM_SENSOR_WIDTH = 640;
constexpr int CAM_SENSOR_HEIGHT = 480;
constexpr int CAM_RAW_ROW_PIXELS = 681;  // samples per raw row (H total)
constexpr int CAM_RAW_FIRST_COLUMN = 12; // first window column in a raw row (H start)
constexpr int CAM_RAW_FIRST_ROW = 1;     // first window row of a raw frame (V start)
constexpr int CAM_ROW_START_OFFSET = 3;
constexpr int CAM_COLUMN_START_OFFSET = 10;
constexpr int CAM_ROW_END_OFFSET = 8;
constexpr WORD CAM_COLUMN_END_VALUE = 658;
constexpr WORD CAM_H_BLANK_VALUE = 10;
constexpr WORD CAM_V_BLANK_VALUE = 25;

// Bytes of one 8-bit frame of a window of nHeight rows, rounded up to a multiple of 1024.
constexpr DWORD CamTransferSize(int nHeight)
{
    const DWORD nBytes = static_cast<DWORD>(CAM_RAW_ROW_PIXELS) * static_cast<DWORD>(CAM_RAW_FIRST_ROW + nHeight);
    return (nBytes + 1023) / 1024 * 1024;
}
static_assert(CamTransferSize(480) == 327680);

// --- encoding commands ---
// Command code followed by at most 63 parameter bytes (more are cut off).
constexpr CAM_MESSAGE CamBuildCommand(BYTE nCode, const BYTE* pParameters = nullptr, std::size_t nCount = 0)
{
    CAM_MESSAGE message{};
    message[0] = nCode;
    for (std::size_t i = 0; pParameters && i < nCount && i + 1 < CAM_MESSAGE_SIZE; ++i)
        message[i + 1] = pParameters[i];
    return message;
}
constexpr CAM_MESSAGE CamBuildWriteRegister(BYTE nRegister, WORD nValue)
{
    const BYTE parameters[3] = {nRegister, static_cast<BYTE>(nValue >> 8), static_cast<BYTE>(nValue)};
    return CamBuildCommand(CAM_CMD_WRITE_REG, parameters, 3);
}
constexpr CAM_MESSAGE CamBuildReadRegister(BYTE nRegister) { return CamBuildCommand(CAM_CMD_READ_REG, &nRegister, 1); }
constexpr CAM_MESSAGE CamBuildSetTransferSize(DWORD nBytes)
{
    const BYTE parameters[4] = {static_cast<BYTE>(nBytes), static_cast<BYTE>(nBytes >> 8),
                                static_cast<BYTE>(nBytes >> 16), static_cast<BYTE>(nBytes >> 24)};
    return CamBuildCommand(CAM_CMD_SET_TRANSFER_SIZE, parameters, 4);
}
constexpr CAM_MESSAGE CamBuildSetDataWidth(BOOL bTenBit)
{
    const BYTE nFlag = bTenBit ? 1 : 0;
    return CamBuildCommand(CAM_CMD_SET_DATA_WIDTH, &nFlag, 1);
}
constexpr CAM_MESSAGE CamBuildSetHalfClock(BOOL bHalf)
{
    const BYTE nFlag = bHalf ? 1 : 0;
    return CamBuildCommand(CAM_CMD_SET_HALF_CLOCK, &nFlag, 1);
}

// --- decoding commands (the camera's side) ---
constexpr BYTE CamCommandRegister(const BYTE* pMessage) { return pMessage[1]; }
constexpr WORD CamCommandRegisterValue(const BYTE* pMessage)
{
    return static_cast<WORD>((pMessage[2] << 8) | pMessage[3]);
}
constexpr DWORD CamCommandTransferSize(const BYTE* pMessage)
{
    return static_cast<DWORD>(pMessage[1]) | static_cast<DWORD>(pMessage[2]) << 8 |
           static_cast<DWORD>(pMessage[3]) << 16 | static_cast<DWORD>(pMessage[4]) << 24;
}
constexpr bool CamCommandFlag(const BYTE* pMessage) { return pMessage[1] != 0; }

// --- replies ---
constexpr CAM_MESSAGE CamBuildRegisterReply(WORD nValue)
{
    CAM_MESSAGE reply{};
    reply[0] = static_cast<BYTE>(nValue >> 8);
    reply[1] = static_cast<BYTE>(nValue);
    return reply;
}
constexpr WORD CamReplyRegisterValue(const BYTE* pReply) { return static_cast<WORD>(pReply[0] * 256 + pReply[1]); }
constexpr CAM_MESSAGE CamBuildHalfClockReply(bool bHalf)
{
    CAM_MESSAGE reply{};
    reply[0] = bHalf ? 1 : 0;
    return reply;
}
constexpr bool CamReplyHalfClock(const BYTE* pReply) { return pReply[0] != 0; }

// --- raw samples ---
// A 10-bit sample travels as two bytes: the eight high bits, then the two low bits.
constexpr WORD CamTenBitSample(BYTE nHigh, BYTE nLow) { return static_cast<WORD>(nHigh * 4 + (nLow & 3)); }
constexpr BYTE CamTenBitHighByte(WORD nSample) { return static_cast<BYTE>(nSample >> 2); }
constexpr BYTE CamTenBitLowByte(WORD nSample) { return static_cast<BYTE>(nSample & 3); }
