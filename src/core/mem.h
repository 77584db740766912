// core/mem — tagged heap allocations (reported on failure, logged with LOGMEM) and the
// per-frame scratch chain of 1 KiB nodes emptied at the start of every frame.
#pragma once
#include <cstddef>

void* MEM_Alloc(size_t size, const char* tag);    // ME0/ME1 fatal report on failure
void* MEM_AllocZero(size_t size, const char* tag);
void MEM_Free(void* p, const char* tag);
char* MEM_StrDup(const char* s);                  // null for an empty string
void MEM_F_Init();                                // creates the first scratch node (start-up)
void* MEM_F_Alloc(size_t size);                   // frame scratch; null for 1024 bytes or more
void MEM_F_Reset();                               // first step of every frame
