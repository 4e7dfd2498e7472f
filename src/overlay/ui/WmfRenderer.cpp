// WMF pictures: libwmf reads and plays the records (objects, mapping modes,
// clipping, bitmaps) and calls this device layer, which draws with QPainter.
// libwmf's own SVG layer rounds colours to named SVG colours and its raster
// layer leaves ellipses unfilled, so the drawing is done here instead.
#include "MetafileRenderer.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <vector>

// libwmf's headers define short macros (U16, S32, ...) that clash with Qt's
// names, so they come after every Qt header.
#include <libwmf/api.h>
#include <libwmf/defs.h>
#include <libwmf/ipa.h>
#include <libwmf/macro.h>

namespace kivra {

namespace {

// Bitmaps inside a metafile larger than this are skipped, not decoded pixel by pixel.
constexpr long kMaxEmbeddedBitmapPixels = 16L * 1024 * 1024;
// Device units of libwmf are points.
constexpr double kDeviceUnitsPerInch = 72.0;

struct Canvas {
    QPainter* painter = nullptr;
    wmfD_Rect bbox{};
    double sx = 1, sy = 1;  // pixels per device unit

    QPointF at(wmfD_Coord c) const { return {(c.x - bbox.TL.x) * sx, (c.y - bbox.TL.y) * sy}; }
    QRectF rect(wmfD_Coord tl, wmfD_Coord br) const { return QRectF(at(tl), at(br)).normalized(); }
};

struct DeviceData {
    Canvas* canvas;
};

Canvas* canvasOf(wmfAPI* api) {
    auto* d = static_cast<DeviceData*>(api->device_data);
    return d ? d->canvas : nullptr;
}

QColor colour(const wmfRGB* c) { return QColor(c->r, c->g, c->b); }

QImage bitmapImage(wmfAPI* api, wmfBMP* bmp, int x0, int y0, int w, int h) {
    if (!bmp->data || w <= 0 || h <= 0 || long(w) * long(h) > kMaxEmbeddedBitmapPixels) return {};
    QImage img(w, h, QImage::Format_ARGB32);
    for (int j = 0; j < h; ++j) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(h - 1 - j));  // rows come bottom up
        for (int i = 0; i < w; ++i) {
            wmfRGB rgb;
            const int opacity = wmf_ipa_bmp_color(api, bmp, &rgb, unsigned(x0 + i), unsigned(y0 + j));
            line[i] = qRgba(rgb.r, rgb.g, rgb.b, opacity < 0 ? 0 : opacity & 0xFF);
        }
    }
    return img;
}

QPen penFor(const Canvas& cv, wmfDC* dc) {
    wmfPen* pen = WMF_DC_PEN(dc);
    const unsigned style = WMF_PEN_STYLE(pen);
    if (style == PS_NULL) return Qt::NoPen;
    const double width = std::max(1.0, (WMF_PEN_WIDTH(pen) * cv.sx + WMF_PEN_HEIGHT(pen) * cv.sy) / 2);
    QPen p(colour(WMF_PEN_COLOR(pen)), width);
    switch (style) {
    case PS_DASH: p.setStyle(Qt::DashLine); break;
    case PS_DOT:
    case PS_ALTERNATE: p.setStyle(Qt::DotLine); break;
    case PS_DASHDOT: p.setStyle(Qt::DashDotLine); break;
    case PS_DASHDOTDOT: p.setStyle(Qt::DashDotDotLine); break;
    default: p.setStyle(Qt::SolidLine); break;
    }
    switch (WMF_PEN_ENDCAP(pen)) {
    case PS_ENDCAP_SQUARE: p.setCapStyle(Qt::SquareCap); break;
    case PS_ENDCAP_FLAT: p.setCapStyle(Qt::FlatCap); break;
    default: p.setCapStyle(Qt::RoundCap); break;
    }
    switch (WMF_PEN_JOIN(pen)) {
    case PS_JOIN_BEVEL: p.setJoinStyle(Qt::BevelJoin); break;
    case PS_JOIN_MITER: p.setJoinStyle(Qt::MiterJoin); break;
    default: p.setJoinStyle(Qt::RoundJoin); break;
    }
    return p;
}

Qt::BrushStyle hatchStyle(unsigned hatch) {
    switch (hatch) {
    case HS_HORIZONTAL: return Qt::HorPattern;
    case HS_VERTICAL: return Qt::VerPattern;
    case HS_FDIAGONAL: return Qt::BDiagPattern;  // "\\\\" in device space, y down
    case HS_BDIAGONAL: return Qt::FDiagPattern;
    case HS_CROSS: return Qt::CrossPattern;
    default: return Qt::DiagCrossPattern;
    }
}

// Fills `path` with the DC's brush: solid, hatched (over the background colour
// when the background mode is opaque) or a bitmap pattern.
void fillWithBrush(wmfAPI* api, Canvas& cv, wmfDC* dc, const QPainterPath& path) {
    wmfBrush* brush = WMF_DC_BRUSH(dc);
    const unsigned style = WMF_BRUSH_STYLE(brush);
    if (style == BS_NULL) return;
    QPainter& p = *cv.painter;
    if (style == BS_HATCHED) {
        if (WMF_DC_OPAQUE(dc)) p.fillPath(path, colour(WMF_DC_BACKGROUND(dc)));
        p.fillPath(path, QBrush(colour(WMF_BRUSH_COLOR(brush)), hatchStyle(WMF_BRUSH_HATCH(brush))));
        return;
    }
    if (style == BS_PATTERN || style == BS_DIBPATTERN || style == BS_DIBPATTERNPT) {
        wmfBMP* bmp = WMF_BRUSH_BITMAP(brush);
        const QImage tile = bitmapImage(api, bmp, 0, 0, bmp->width, bmp->height);
        if (!tile.isNull()) {
            p.fillPath(path, QBrush(tile));
            return;
        }
    }
    p.fillPath(path, colour(WMF_BRUSH_COLOR(brush)));
}

void fillAndStroke(wmfAPI* api, wmfDC* dc, QPainterPath path, bool fill = true) {
    Canvas* cv = canvasOf(api);
    if (!cv) return;
    path.setFillRule(WMF_DC_POLYFILL(dc) == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    if (fill) fillWithBrush(api, *cv, dc, path);
    const QPen pen = penFor(*cv, dc);
    if (pen.style() != Qt::NoPen) cv->painter->strokePath(path, pen);
}

QPolygonF polygonOf(const Canvas& cv, const wmfD_Coord* pts, unsigned count) {
    QPolygonF poly;
    poly.reserve(int(count));
    for (unsigned i = 0; i < count; ++i) poly << cv.at(pts[i]);
    return poly;
}

enum class ArcKind { Open, Pie, Chord, Ellipse };

// Arcs run counterclockwise on the screen from the start to the end radial, both
// given relative to the centre in device units.
void drawArc(wmfAPI* api, wmfDrawArc_t* arc, ArcKind kind) {
    Canvas* cv = canvasOf(api);
    if (!cv) return;
    const QRectF box = cv->rect(arc->TL, arc->BR);
    QPainterPath path;
    if (kind == ArcKind::Ellipse) {
        path.addEllipse(box);
    } else {
        const double start = std::atan2(-arc->start.y * cv->sy, arc->start.x * cv->sx) * 180 / M_PI;
        double sweep = std::atan2(-arc->end.y * cv->sy, arc->end.x * cv->sx) * 180 / M_PI - start;
        if (sweep <= 0) sweep += 360;
        if (kind == ArcKind::Pie) path.moveTo(box.center());
        path.arcMoveTo(box, start);
        if (kind == ArcKind::Pie) path.lineTo(path.currentPosition());
        path.arcTo(box, start, sweep);
        if (kind != ArcKind::Open) path.closeSubpath();
    }
    fillAndStroke(api, arc->dc, path, kind != ArcKind::Open);
}

// --- device layer callbacks ---------------------------------------------------------

void deviceNothing(wmfAPI*) {}
void floodNothing(wmfAPI*, wmfFlood_t*) {}
void udataNothing(wmfAPI*, wmfUserData_t*) {}

void drawPixel(wmfAPI* api, wmfDrawPixel_t* px) {
    Canvas* cv = canvasOf(api);
    if (!cv) return;
    const QPointF at = cv->at(px->pt);
    cv->painter->fillRect(QRectF(at, QSizeF(std::max(1.0, px->pixel_width * cv->sx), std::max(1.0, px->pixel_height * cv->sy))),
                          colour(&px->color));
}

void drawPie(wmfAPI* api, wmfDrawArc_t* a) { drawArc(api, a, ArcKind::Pie); }
void drawChord(wmfAPI* api, wmfDrawArc_t* a) { drawArc(api, a, ArcKind::Chord); }
void drawOpenArc(wmfAPI* api, wmfDrawArc_t* a) { drawArc(api, a, ArcKind::Open); }
void drawEllipse(wmfAPI* api, wmfDrawArc_t* a) { drawArc(api, a, ArcKind::Ellipse); }

void drawLine(wmfAPI* api, wmfDrawLine_t* line) {
    Canvas* cv = canvasOf(api);
    if (!cv) return;
    QPainterPath path(cv->at(line->from));
    path.lineTo(cv->at(line->to));
    fillAndStroke(api, line->dc, path, false);
}

void polyLine(wmfAPI* api, wmfPolyLine_t* pl) {
    Canvas* cv = canvasOf(api);
    if (!cv || pl->count < 2) return;
    QPainterPath path;
    path.addPolygon(polygonOf(*cv, pl->pt, pl->count));
    fillAndStroke(api, pl->dc, path, false);
}

void drawPolygon(wmfAPI* api, wmfPolyLine_t* pl) {
    Canvas* cv = canvasOf(api);
    if (!cv || pl->count < 3) return;
    QPainterPath path;
    path.addPolygon(polygonOf(*cv, pl->pt, pl->count));
    path.closeSubpath();
    fillAndStroke(api, pl->dc, path);
}

void drawPolyPolygon(wmfAPI* api, wmfPolyPoly_t* pp) {
    Canvas* cv = canvasOf(api);
    if (!cv) return;
    QPainterPath path;
    for (unsigned i = 0; i < pp->npoly; ++i) {
        if (!pp->pt[i] || pp->count[i] < 3) continue;
        path.addPolygon(polygonOf(*cv, pp->pt[i], pp->count[i]));
        path.closeSubpath();
    }
    fillAndStroke(api, pp->dc, path);
}

void drawRectangle(wmfAPI* api, wmfDrawRectangle_t* r) {
    Canvas* cv = canvasOf(api);
    if (!cv) return;
    QPainterPath path;
    const QRectF box = cv->rect(r->TL, r->BR);
    if (r->width > 0 || r->height > 0)
        path.addRoundedRect(box, r->width * cv->sx / 2, r->height * cv->sy / 2);
    else
        path.addRect(box);
    fillAndStroke(api, r->dc, path);
}

void ropDraw(wmfAPI* api, wmfROP_Draw_t* rop) {
    Canvas* cv = canvasOf(api);
    if (!cv) return;
    const QRectF box = cv->rect(rop->TL, rop->BR);
    if (rop->ROP == BLACKNESS) {
        cv->painter->fillRect(box, Qt::black);
    } else if (rop->ROP == WHITENESS) {
        cv->painter->fillRect(box, Qt::white);
    } else if (rop->ROP == PATCOPY) {
        QPainterPath path;
        path.addRect(box);
        fillWithBrush(api, *cv, rop->dc, path);
    }
}

void bmpRead(wmfAPI* api, wmfBMP_Read_t* r) {
    // A bitmap that claims more pixels than its bytes could hold is not decoded.
    if (long(r->width) * long(r->height) > kMaxEmbeddedBitmapPixels) {
        r->bmp.data = nullptr;
        return;
    }
    wmf_ipa_bmp_read(api, r);
}

void bmpFree(wmfAPI* api, wmfBMP* bmp) { wmf_ipa_bmp_free(api, bmp); }

void bmpDraw(wmfAPI* api, wmfBMP_Draw_t* b) {
    Canvas* cv = canvasOf(api);
    if (!cv || !b->bmp.data) return;
    const QImage img = bitmapImage(api, &b->bmp, b->crop.x, b->crop.y, b->crop.w, b->crop.h);
    if (img.isNull()) return;
    const QPointF at = cv->at(b->pt);
    const QSizeF size(std::abs(b->pixel_width * b->crop.w * cv->sx), std::abs(b->pixel_height * b->crop.h * cv->sy));
    cv->painter->drawImage(QRectF(at, size), img);
}

void drawText(wmfAPI* api, wmfDrawText_t* t) {
    Canvas* cv = canvasOf(api);
    if (!cv || !t->str) return;
    wmfFont* font = WMF_DC_FONT(t->dc);
    const QString text = QString::fromLatin1(t->str);
    QFont f(font && WMF_FONT_NAME(font) ? QString::fromLatin1(WMF_FONT_NAME(font)) : QStringLiteral("Sans Serif"));
    f.setPixelSize(std::max(1, int(std::lround(t->font_height * cv->sy))));
    if (font) {
        f.setWeight(WMF_FONT_WEIGHT(font) >= 600 ? QFont::Bold : QFont::Normal);
        f.setItalic(WMF_FONT_ITALIC(font));
        f.setUnderline(WMF_TEXT_UNDERLINE(font));
        f.setStrikeOut(WMF_TEXT_STRIKEOUT(font));
    }
    QPainter& p = *cv->painter;
    p.save();
    p.setFont(f);
    p.translate(cv->at(t->pt));
    if (font) p.rotate(-WMF_TEXT_ANGLE(font) * 180 / M_PI);
    if (WMF_DC_OPAQUE(t->dc)) {
        const QFontMetricsF m(f);
        p.fillRect(QRectF(0, -m.ascent(), m.horizontalAdvance(text), m.height()), colour(WMF_DC_BACKGROUND(t->dc)));
    }
    p.setPen(colour(WMF_DC_TEXTCOLOR(t->dc)));
    p.drawText(QPointF(0, 0), text);
    p.restore();
}

void regionPaint(wmfAPI* api, wmfPolyRectangle_t* r) {
    Canvas* cv = canvasOf(api);
    if (!cv) return;
    QPainterPath path;
    for (unsigned i = 0; i < r->count; ++i) path.addRect(cv->rect(r->TL[i], r->BR[i]));
    fillWithBrush(api, *cv, r->dc, path);
}

void regionFrame(wmfAPI* api, wmfPolyRectangle_t* r) {
    Canvas* cv = canvasOf(api);
    if (!cv) return;
    const double w = std::max(1.0, r->width * cv->sx), h = std::max(1.0, r->height * cv->sy);
    QPainterPath path;
    for (unsigned i = 0; i < r->count; ++i) {
        const QRectF box = cv->rect(r->TL[i], r->BR[i]);
        path.addRect(box);
        path.addRect(box.adjusted(w, h, -w, -h));
    }
    path.setFillRule(Qt::OddEvenFill);
    fillWithBrush(api, *cv, r->dc, path);
}

void regionClip(wmfAPI* api, wmfPolyRectangle_t* r) {
    Canvas* cv = canvasOf(api);
    if (!cv) return;
    if (r->count == 0) {
        cv->painter->setClipping(false);
        return;
    }
    QPainterPath path;
    for (unsigned i = 0; i < r->count; ++i) path.addRect(cv->rect(r->TL[i], r->BR[i]));
    cv->painter->setClipPath(path);
}

void qtDevice(wmfAPI* api) {
    auto* fr = static_cast<wmfFunctionReference*>(api->function_reference);
    fr->device_open = deviceNothing;
    fr->device_close = deviceNothing;
    fr->device_begin = deviceNothing;
    fr->device_end = deviceNothing;
    fr->flood_interior = floodNothing;
    fr->flood_exterior = floodNothing;
    fr->draw_pixel = drawPixel;
    fr->draw_pie = drawPie;
    fr->draw_chord = drawChord;
    fr->draw_arc = drawOpenArc;
    fr->draw_ellipse = drawEllipse;
    fr->draw_line = drawLine;
    fr->poly_line = polyLine;
    fr->draw_polygon = drawPolygon;
    fr->draw_polypolygon = drawPolyPolygon;
    fr->draw_rectangle = drawRectangle;
    fr->rop_draw = ropDraw;
    fr->bmp_draw = bmpDraw;
    fr->bmp_read = bmpRead;
    fr->bmp_free = bmpFree;
    fr->draw_text = drawText;
    fr->udata_init = udataNothing;
    fr->udata_copy = udataNothing;
    fr->udata_set = udataNothing;
    fr->udata_free = udataNothing;
    fr->region_frame = regionFrame;
    fr->region_paint = regionPaint;
    fr->region_clip = regionClip;
    auto* data = static_cast<DeviceData*>(wmf_malloc(api, sizeof(DeviceData)));
    if (data) data->canvas = nullptr;
    api->device_data = data;
}

// Owns one libwmf session.
struct Session {
    wmfAPI* api = nullptr;
    ~Session() {
        if (api) wmf_api_destroy(api);
    }
};

}  // namespace

MetafileImage renderWmf(const QByteArray& data, double dpi, qint64 maxPixels) {
    MetafileImage out;
    if (metafileKind(data) != MetafileKind::Wmf) return out;
    Session s;
    wmfAPI_Options options{};
    options.function = qtDevice;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&s.api, flags, &options) != wmf_E_None || !s.api || !s.api->device_data) return out;
    QByteArray bytes = data;  // libwmf reads from a writable buffer
    if (wmf_mem_open(s.api, reinterpret_cast<unsigned char*>(bytes.data()), long(bytes.size())) != wmf_E_None) return out;
    wmfD_Rect bbox{};
    if (wmf_scan(s.api, 0, &bbox) != wmf_E_None) return out;
    const double bw = double(bbox.BR.x) - bbox.TL.x, bh = double(bbox.BR.y) - bbox.TL.y;
    if (!(bw > 0) || !(bh > 0) || !std::isfinite(bw) || !std::isfinite(bh)) return out;
    const double w = std::ceil(bw * dpi / kDeviceUnitsPerInch), h = std::ceil(bh * dpi / kDeviceUnitsPerInch);
    out.size = QSize(int(std::min(w, double(1 << 30))), int(std::min(h, double(1 << 30))));
    if (w * h > double(maxPixels)) {
        out.status = MetafileImage::Status::TooLarge;
        return out;
    }
    QImage image(out.size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return out;
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    Canvas canvas;
    canvas.painter = &painter;
    canvas.bbox = bbox;
    canvas.sx = out.size.width() / bw;
    canvas.sy = out.size.height() / bh;
    static_cast<DeviceData*>(s.api->device_data)->canvas = &canvas;
    const wmf_error_t played = wmf_play(s.api, 0, &bbox);
    static_cast<DeviceData*>(s.api->device_data)->canvas = nullptr;
    painter.end();
    if (played != wmf_E_None) return out;
    out.image = image;
    out.status = MetafileImage::Status::Ok;
    return out;
}

}  // namespace kivra
