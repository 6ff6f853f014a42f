// The objects that travel with broadcast codes down the install tree and
// with information events up it. The sender makes one, sends it and frees
// it afterwards; a receiver checks its class before reading it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/routines_Compression.h"
#include "objects/TComponent.h"

namespace brim {

// The text of a status message (code -974).
class TMessageParameter : public TPersistent {
  BRIM_CLASS(TMessageParameter)

 public:
  explicit TMessageParameter(std::string message) : Message(std::move(message)) {}

  std::string Message;
};

// Progress of one file (code -998).
class TFileStatusParameter : public TPersistent {
  BRIM_CLASS(TFileStatusParameter)

 public:
  TFileStatusParameter() = default;
  // Filled from the compression engine's status record.
  TFileStatusParameter(const TlzhFileStats& stats, std::string fileName);

  int32_t FileBytesDone = 0;
  int32_t FilePercent = 0;
  std::string FileName;
  TlzhFileStats Stats;
  int32_t TotalBytesDone = 0;
  int32_t TotalPercent = 0;
};

// Progress of one download (code -988).
class TDownloadStatusParameter : public TPersistent {
  BRIM_CLASS(TDownloadStatusParameter)

 public:
  int32_t Bytes = 0;       // received in the last block
  std::string FileName;
  int32_t FileSize = 0;
  int32_t TotalBytes = 0;  // received so far
  int32_t Percent = 0;
};

// The disk an install file asks for, and where it is looked for.
class TDiskParameter : public TPersistent {
  BRIM_CLASS(TDiskParameter)

 public:
  int32_t NewDisk = 0;
  std::string Path;
};

// A list of parameter objects (the file and its status or disk).
class TParameterList : public TPersistent {
  BRIM_CLASS(TParameterList)

 public:
  TParameterList() = default;
  TParameterList(std::initializer_list<TPersistent*> items) : Items(items) {}

  std::vector<TPersistent*> Items;
};

// part / whole * 100, rounded to the nearest integer, halves to even; 0
// when it cannot be computed.
int32_t PercentOf(double part, double whole);

}  // namespace brim
