// What replacing the reply file shows about a failure, for the retry rule (common/file_retry.h).
// Another program may hold the file for a moment (the logger still reading the last answer, a
// virus scanner looking at the new one); such a hold clears by itself, a read-only file or a
// missing folder never does.
#pragma once

#include "common/file_retry.h"

namespace lookup {

// The two steps that can meet another program's hold: deleting the old file, creating the new.
enum class ReplyStep { Delete, Create };

// True when the step shows that an access denial (or a file in the way) can only be a hold:
// once a delete of this write has succeeded, a file that is still there is only pending
// deletion while another program holds it open. So a delete refused with access denied, and a
// create refused with access denied or because the file exists, are then retried too; before
// it, access denied is a read-only file.
bool ReplyHoldShown(ReplyStep step, common::FileFailure failure, bool deletedBefore);

}  // namespace lookup
