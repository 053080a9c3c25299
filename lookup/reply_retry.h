// Whether a failed step in replacing the reply file is worth trying again. Another program may
// hold the file for a moment (the logger still reading the last answer, a virus scanner looking
// at the new one); such a hold clears by itself, a read-only file or a missing folder never does.
#pragma once

namespace lookup {

// The two steps that can meet another program's hold: deleting the old file, creating the new.
enum class ReplyStep { Delete, Create };

// What the system said, as far as the rule needs to know.
enum class ReplyFailure {
    SharingViolation,  // the file is open without the sharing the step needs
    LockViolation,     // part of the file is locked
    AccessDenied,      // a read-only file, or one still pending deletion
    AlreadyExists,     // the file to be created is there
    Other,
};

// Tries stop this long after the first try of the write.
inline constexpr unsigned long long kReplyRetryWindowMs = 2000;
// The pause between two tries.
inline constexpr unsigned kReplyRetryPauseMs = 50;

// True when the failed step is tried again, `elapsedMs` after the first try of the write.
// Sharing and lock violations are retried. Once a delete of this write has succeeded, a file
// that is still there is only pending deletion while another program holds it open: a delete
// refused with access denied, and a create refused with access denied or because the file
// exists, are retried too. Nothing is retried once the window has passed.
bool WorthRetrying(ReplyStep step, ReplyFailure failure, bool deletedBefore,
                   unsigned long long elapsedMs);

// The pause before the next try: kReplyRetryPauseMs, or what is left of the window when that is
// less.
unsigned PauseBeforeRetryMs(unsigned long long elapsedMs);

}  // namespace lookup
