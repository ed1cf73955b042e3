#pragma once

class QHeaderView;

// Column titles that do not fit their column end in "…" rather than being
// clipped at both ends, so that a narrow window still shows which column is
// which.
namespace ElidedHeaders {

void apply(QHeaderView *header);

} // namespace ElidedHeaders
