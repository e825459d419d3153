// The peer page: the same four charts with the same eleven step traces at the same sizes, drawn
// by uPlot from traces computed in advance (bench-data.json, written by bench.mjs from our page's
// own table of the traces). An edit draws only the charts whose traces changed.
'use strict';

(async function () {
  const query = new URLSearchParams(location.search);
  const sf = query.get('sf') || '8';
  const data = (await (await fetch('bench-data.json')).json())[sf];
  const Colors = ['#dd0000', '#0000dd', '#008000', '#800080'];

  const fields = ['charA', 'charB', 'keyA', 'keyB', 'keyRx'].map((id) => document.getElementById(id));
  const plots = data.charts.map((chart, i) => {
    const el = document.createElement('div');
    el.className = 'chart';
    document.getElementById('charts').append(el);
    return new uPlot({
      width: chart.width,
      height: chart.height,
      title: chart.caption,
      legend: { show: false },
      cursor: { show: false },
      select: { show: false },
      scales: { x: { time: false }, y: { range: [-0.6, chart.traces.length - 0.4] } },
      series: [{}].concat(chart.traces.map((letter, k) => ({
        label: letter,
        stroke: Colors[k % Colors.length],
        width: 1,
        paths: uPlot.paths.stepped({ align: 1 }),
        points: { show: false },
      }))),
    }, data.arrays[data.sets[data.first][i]], el);
  });
  let shown = data.sets[data.first].slice();

  function update() {
    const key = fields.map((f) => f.value).join('|');
    const set = data.sets[key];
    if (!set)
      return;
    for (let i = 0; i < plots.length; ++i) {
      if (set[i] !== shown[i])
        plots[i].setData(data.arrays[set[i]]);
    }
    shown = set.slice();
    document.getElementById('received').textContent = data.received[key];
  }

  for (const f of fields) {
    if (f.id.startsWith('char')) {
      f.addEventListener('beforeinput', (event) => {
        event.preventDefault();
        f.value = event.data || '';
        update();
      });
    } else {
      f.addEventListener('input', update);
    }
  }
  // Ready once the first picture is painted.
  requestAnimationFrame(() => {
    performance.mark('dscdma-first-picture');
    document.documentElement.dataset.state = 'ready';
  });
})();
