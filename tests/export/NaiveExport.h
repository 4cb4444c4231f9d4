// The export done the plain way, for comparison with the fast pipeline: the whole
// picture stretched at once onto a bottom-up 32-bit surface, every tile copied out,
// every pixel converted on its own (nearest colour by the linear scan) or every tile
// dithered by a call of its own. Used by the tests and the benchmark.
#pragma once

#include "KmExport.h"

namespace twtest {

// The bytes of the file for `job`; the multiplayer template is patched as by the export.
tw::Bytes naiveExport(const tw::ExportJob& job, tw::KmTemplates templates);

// Only the tiles of grid rows [firstRow, lastRow), in file order. When `stretchSeconds`
// is given it receives the time the whole stretch took.
tw::Bytes naiveTiles(const tw::ExportJob& job, int firstRow, int lastRow,
                     double* stretchSeconds = nullptr);

} // namespace twtest
