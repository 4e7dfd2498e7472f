// Metafiles in a build without libwmf and libemf2svg: no file is taken for a metafile, so
// a WMF or EMF file goes to the image readers and is reported as a picture that cannot load.
#include "MetafileRenderer.h"

namespace kivra {

MetafileKind metafileKind(const QByteArray&) { return MetafileKind::None; }
MetafileImage renderWmf(const QByteArray&, double, qint64) { return {}; }
MetafileImage renderEmf(const QByteArray&, double, qint64) { return {}; }

}  // namespace kivra
