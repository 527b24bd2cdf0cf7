// Until copies move only noted pages, every copy moves whole buffers and the notes are not kept.
#include "core/dirty_pages.h"

namespace dbs::core {

void NoteTableWrite(uint16_t, uint64_t, uint64_t) {}
void NoteIndexWrite(uint32_t, uint64_t, uint64_t) {}

}  // namespace dbs::core
