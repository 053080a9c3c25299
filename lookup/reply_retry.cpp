#include "lookup/reply_retry.h"

namespace lookup {

bool ReplyHoldShown(ReplyStep step, common::FileFailure failure, bool deletedBefore) {
    if (failure == common::FileFailure::AlreadyExists) {
        return deletedBefore && step == ReplyStep::Create;
    }
    return deletedBefore;
}

}  // namespace lookup
