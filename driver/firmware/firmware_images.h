// The two firmware images the camera driver downloads at every device start: image A (the
// loader) and image B (the camera firmware), built in or read from files.
#pragma once

#include "driver/firmware/firmware_record.h"

#include <vector>

struct FIRMWARE_IMAGES {
    std::vector<FIRMWARE_RECORD> ImageA; // the loader
    std::vector<FIRMWARE_RECORD> ImageB; // the camera firmware
};

// The images built into the driver. They are PLACEHOLDERS: the real images are the camera
// maker's program for its USB microcontroller and are not part of this source. The
// placeholders have the real images' shape (A: 58 data records, 784 data bytes at
// 0x0000..0x0403; B: 321 data records, 4012 data bytes at 0x0000..0x101C; each list ends
// with a type-1 record) and filler bytes for data, which the simulated camera accepts.
FIRMWARE_IMAGES GetBuiltInFirmwareImages();

// The environment variable naming a folder with the real images; when it is set and not
// empty the driver loads FIRMWARE_FILE_A and FIRMWARE_FILE_B from there (record lists in the
// 22-byte format) instead of the built-in placeholders. An image whose record list is not
// there is read from FIRMWARE_HEX_FILE_A / _B instead (Intel HEX, converted to records).
constexpr const char* FIRMWARE_DIR_VARIABLE = "VEXILO_FIRMWARE_DIR";
constexpr const char* FIRMWARE_FILE_A = "Lorvidex07A.rec";
constexpr const char* FIRMWARE_FILE_B = "Lorvidex07B.rec";
constexpr const char* FIRMWARE_HEX_FILE_A = "Lorvidex07A.hex";
constexpr const char* FIRMWARE_HEX_FILE_B = "Lorvidex07B.hex";

// The images to download: from the folder named by VEXILO_FIRMWARE_DIR, else built in.
// When the folder is named but an image has neither file, or its file is not valid, answers
// STATUS_OBJECT_NAME_NOT_FOUND or STATUS_INVALID_IMAGE_FORMAT, logs which file (category
// driver), and leaves *pImages empty.
NTSTATUS LoadFirmwareImages(FIRMWARE_IMAGES* pImages);
// The same for a given folder ("" or null: built in).
NTSTATUS LoadFirmwareImagesFrom(const char* szFolder, FIRMWARE_IMAGES* pImages);
