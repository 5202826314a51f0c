// SubRangeProgress: maps a stage's fraction into its part of the outer bar.
#include "core/sub_range_progress.h"

namespace torvane {

void SubRangeProgress::SetFraction(double fraction) {
  outer_.SetFraction(base_ + span_ * fraction);
}

}  // namespace torvane
