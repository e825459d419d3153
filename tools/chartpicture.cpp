#include "tools/chartpicture.h"

#include "core/chart/chart.h"
#include "core/i18n/dictionary.h"
#include "core/sim/plotsignals.h"
#include "core/sim/signalcharts.h"
#include "widgets/qtcanvas.h"
#include "widgets/qtconvert.h"

#include <QPainter>

#include <memory>

namespace {

constexpr int TopOfFirstChart = 40;

class Charts
{
public:
    explicit Charts(const SimResult& result, bool labels)
    {
        // Without a language file every caption shows its key without the prefix, as on screen.
        Dictionary translator;
        for (SignalChart which : {SignalChart::RCA, SignalChart::RCB, SignalChart::RCC, SignalChart::RCD}) {
            m_charts.emplace_back(NewSignalChart(which), which);
            m_charts.back().first->TranslateTexts([&translator](std::string& text) { translator.TranslateKeyed(text); });
        }
        TSignalView view;
        view.Translate = [&translator](const std::string& key) { return translator.Translate(key); };
        view.RCA = chart(SignalChart::RCA);
        view.RCB = chart(SignalChart::RCB);
        view.RCC = chart(SignalChart::RCC);
        view.RCD = chart(SignalChart::RCD);
        PlotSignals(result, labels, view);
    }

    void paint(QPainter& painter) const
    {
        painter.fillRect(0, 0, chartpicture::Width, chartpicture::Height, ToQColor(clBtnFace));
        for (const auto& [chart, which] : m_charts)
            chartpicture::PaintChart(painter, QPoint(0, SignalChartGeometry(which).top() - TopOfFirstChart), *chart);
    }

private:
    Chart* chart(SignalChart which) const
    {
        for (const auto& [chart, w] : m_charts)
            if (w == which)
                return chart.get();
        return nullptr;
    }

    std::vector<std::pair<std::unique_ptr<Chart>, SignalChart>> m_charts;
};

} // namespace

void chartpicture::PaintChart(QPainter& painter, QPoint origin, const Chart& chart)
{
    QtCanvas canvas(painter, origin, ToQSize(chart.GetSize()));
    chart.RenderTo(canvas);
}

void chartpicture::Paint(const SimResult& result, bool labels, QPainter& painter)
{
    const Charts charts(result, labels);
    charts.paint(painter);
}

QImage chartpicture::Render(const SimResult& result, bool labels)
{
    QImage image(Width, Height, QImage::Format_RGB32);
    QPainter painter(&image);
    Paint(result, labels, painter);
    return image;
}
