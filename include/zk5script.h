// Interfaces of zk5script: script.IAppParam (the parameter file kept in
// memory, kiv_config.txt) and script.ITextRes (the numbered texts of a
// language file).
//
// Strings handed out are copies in the runtime's heap that the caller frees
// with zk_free; an out-parameter that already holds a string or block has
// it freed before it is filled.
#pragma once
#include <cstdint>

#include "zk5Base.h"
#include "zk5Stream.h"

namespace zk {

struct IAppParam : IBase {
  // Reads and parses the whole stream and keeps it for Save.
  virtual StatusCode Load(IFileStrem* stream) = 0;
  // Rewrites the kept stream from the entries.
  virtual StatusCode Save() = 0;
  // Appends a new entry with no value; comment may be null.
  virtual StatusCode Add(const char* name, const char* comment) = 0;
  virtual StatusCode GetComment(const char* name, char** commentOut) = 0;
  virtual StatusCode GetInt(const char* name, int32_t* valueOut) = 0;
  virtual StatusCode GetHex(const char* name, uint32_t* valueOut) = 0;
  virtual StatusCode GetLong(const char* name, int32_t* valueOut) = 0;
  virtual StatusCode GetString(const char* name, char** valueOut) = 0;
  virtual StatusCode GetDouble(const char* name, double* valueOut) = 0;
  // The block comes from the runtime's heap (null with a count of 0).
  virtual StatusCode GetBinary(const char* name, void** blockOut, uint32_t* countOut) = 0;
  virtual StatusCode SetInt(const char* name, int32_t value) = 0;
  virtual StatusCode SetHex(const char* name, uint32_t value) = 0;
  virtual StatusCode SetLong(const char* name, int32_t value) = 0;
  virtual StatusCode SetString(const char* name, const char* value) = 0;
  virtual StatusCode SetDouble(const char* name, double value) = 0;
  virtual StatusCode SetBinary(const char* name, const void* bytes, uint32_t count) = 0;
  virtual StatusCode Delete(const char* name) = 0;
  // The number of entries itself, not a status.
  virtual int32_t GetCount() = 0;
  virtual StatusCode GetName(int32_t index, char** nameOut) = 0;
};

struct ITextRes : IBase {
  // Scans the stream once and builds the index of text ids; keeps the stream.
  virtual StatusCode Load(IFileStrem* stream) = 0;
  // The text of an id as a new string (null for an id with no lines).
  virtual StatusCode GetText(int32_t id, char** textOut) = 0;
};

}  // namespace zk
