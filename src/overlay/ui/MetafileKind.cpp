// Recognition of Windows metafiles by their first bytes, for every renderer.
#include "MetafileRenderer.h"

#include <QtEndian>

namespace kivra {

namespace {

quint32 u32At(const QByteArray& d, int at) { return qFromLittleEndian<quint32>(d.constData() + at); }
quint16 u16At(const QByteArray& d, int at) { return qFromLittleEndian<quint16>(d.constData() + at); }

constexpr quint32 kPlaceableKey = 0x9AC6CDD7u;
constexpr quint32 kEmfSignature = 0x464D4520u;  // " EMF"
constexpr int kEmfHeaderMinimum = 88;

}  // namespace

MetafileKind metafileKind(const QByteArray& data) {
    if (data.size() >= 22 && u32At(data, 0) == kPlaceableKey) return MetafileKind::Wmf;
    if (data.size() >= 18) {
        const quint16 type = u16At(data, 0), headerWords = u16At(data, 2), version = u16At(data, 4);
        if ((type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300))
            return MetafileKind::Wmf;
    }
    if (data.size() >= kEmfHeaderMinimum && u32At(data, 0) == 1 && u32At(data, 40) == kEmfSignature)
        return MetafileKind::Emf;
    return MetafileKind::None;
}

}  // namespace kivra
