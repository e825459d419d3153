#include "widgets/rchart.h"

#include "i18n/cp1252.h"
#include "widgets/qtconvert.h"

#include "widgets/devicecopy.h"

#include <QBackingStore>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>

TRChart::TRChart(QWidget* parent)
    : QWidget(parent)
    , m_model(&m_view.Core())
{
    for (int n = 1; n <= Layers; ++n) {
        m_scaleX[std::size_t(n - 1)] = new TScalePropsHoriz(m_model->ScaleX(n), this);
        m_scaleY[std::size_t(n - 1)] = new TScalePropsVert(m_model->ScaleY(n), this);
    }
    m_joint = new TJointLayers(m_model->Joints(), this);
    // Error messages name the component.
    connect(this, &QObject::objectNameChanged, this, [this](const QString& name) { m_model->SetName(name.toStdString()); });
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(280, 200);
    m_view.SetView(this);
}

TRChart::~TRChart()
{
    // The property objects point into the chart: they go first.
    for (TScaleProps* scale : m_scaleX)
        delete scale;
    for (TScaleProps* scale : m_scaleY)
        delete scale;
    delete m_joint;
    m_view.SetView(nullptr);
}

void TRChart::Loaded()
{
    syncSize();
    m_model->Loaded();
}

QString TRChart::Caption() const
{
    return cp1252::ToQString(m_model->Caption());
}

void TRChart::SetCaption(const QString& v)
{
    m_model->SetCaption(cp1252::FromQString(v));
}

int TRChart::AddTextLabel(TColor Color, const QString& Text, int Template, double PosX, double PosY)
{
    return m_model->AddTextLabel(Color, cp1252::FromQString(Text), Template, PosX, PosY);
}

// The control keeps the room its margins need; a smaller size is raised to it.
void TRChart::ChartViewMinimumSize(QSize size)
{
    setMinimumSize(size);
}

// A hidden widget learns its new size only when shown; the chart must not wait for that.
void TRChart::syncSize() const
{
    m_model->Resize(width(), height());
}

const TScale& TRChart::XScaleDrawer(int layer) const
{
    syncSize();
    return m_model->XScaleDrawer(layer);
}

const TScale& TRChart::YScaleDrawer(int layer) const
{
    syncSize();
    return m_model->YScaleDrawer(layer);
}

ChartGeometry TRChart::Geometry() const
{
    syncSize();
    return m_model->Geometry();
}

const ChartMapping& TRChart::Mapping() const
{
    syncSize();
    return m_model->Mapping();
}

const ChartLayout& TRChart::Layout() const
{
    syncSize();
    return m_view.Layout();
}

void TRChart::RenderTo(Canvas& target)
{
    syncSize();
    m_model->RenderTo(target);
}

// --- the window ---

bool TRChart::ChartViewReady() const
{
    const bool explicitlyHidden = testAttribute(Qt::WA_WState_ExplicitShowHide) && testAttribute(Qt::WA_WState_Hidden);
    return !m_suspended && !explicitlyHidden;
}

void TRChart::ChartViewUpdate(const std::vector<QRect>& area)
{
    for (const QRect& r : area) {
        // What the running paint event covers is copied by it; asking again would copy twice.
        if (m_painting && (QRegion(r) - *m_painting).isEmpty())
            continue;
        update(r);
        m_updatePending = true;
    }
}

void TRChart::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    // The window's backing store decides the frame image's format, so that the copy below
    // converts nothing; a painter on anything else (a grab) converts as it must.
    const QPaintDevice* device = painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
    if (QBackingStore* store = backingStore(); store && device && device == store->paintDevice()
                                                     && device->devType() == QInternal::Image)
        m_view.SetFrameFormat(static_cast<const QImage*>(device)->format());
    {
        // A repaint the window system asks for shows the chart as it is now; one that follows
        // ShowItems copies what it drew, unless the frame image no longer fits the window.
        const QScopedValueRollback<const QRegion*> painting(m_painting, &event->region());
        if (!m_updatePending || !m_view.FrameFits())
            m_view.PaintIfChanged();
    }
    // What was asked for outside this event's area comes with a later one, as a copy.
    m_updatePending = false;
    const QImage& image = m_view.FrameImage();
    if (image.isNull()) {
        painter.fillRect(event->rect(), ToQColor(m_model->WindColor()));
        return;
    }
    if (CopyToPaintDevice(painter, image, event->region()))
        return;
    for (const QRect& r : event->region())
        painter.drawImage(r.topLeft(), image, r);
}

void TRChart::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    syncSize();
    if (m_model->AutoRedraw())
        m_view.Paint();
}

void TRChart::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_suspended = false;
    m_view.Paint();
}
