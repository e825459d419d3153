#include "app/signalchartwidget.h"

#include "widgets/qtconvert.h"
#include "widgets/rchart.h"

TRChart* CreateSignalChart(QWidget* parent, SignalChart which)
{
    auto* chart = new TRChart(parent);
    chart->BeginLoading();
    chart->setObjectName(SignalChartName(which));
    chart->setGeometry(ToQRect(SignalChartGeometry(which)));
    chart->setFocusPolicy(Qt::NoFocus);
    // Stored with the window; nothing the chart draws uses it.
    QFont font;
    font.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial", "DejaVu Sans"});
    font.setPixelSize(13);
    font.setBold(true);
    chart->setFont(font);
    ConfigureSignalChart(chart->Core(), which);
    chart->Loaded();
    return chart;
}
