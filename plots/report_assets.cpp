#include "plots/report_assets.h"

const char *const kReportStyle = R"(
body { font: 14px/1.4 sans-serif; margin: 1.5em; color: #222; }
h1 { font-size: 1.4em; margin: 0 0 .6em; }
table.summary td { padding: 1px 10px 1px 0; }
ul.flags { padding-left: 1.2em; }
ul.flags li { margin: 2px 0; }
.swatch { display: inline-block; width: 2.2em; margin-right: .5em; }
#filter { margin: .8em 0; padding: 4px; width: 24em; }
#fits { border-collapse: collapse; }
#fits th { position: sticky; top: 0; background: #eee; cursor: pointer; white-space: nowrap; }
#fits th.asc::after { content: " \25B2"; }
#fits th.desc::after { content: " \25BC"; }
#fits th, #fits td { border: 1px solid #ccc; padding: 2px 6px; vertical-align: middle; }
#fits td.number { text-align: right; white-space: nowrap; font-variant-numeric: tabular-nums; }
#fits td.message { max-width: 24em; font-size: 12px; }
#fits td.flags { min-width: 10em; max-width: 16em; font-size: 12px; color: #7a4b00; }
#fits td svg { display: block; }
tr.failed td { background: #fde0e0; }
tr.failed td.status { color: #b00; font-weight: bold; }
.flag-chi { background: #fff1a8 !important; }
.flag-limit { background: #ffd0a0 !important; }
.flag-error { background: #e4d4f4 !important; }
)";

const char *const kReportScript = R"(
(function () {
  const table = document.getElementById('fits');
  const body = table.tBodies[0];
  const headers = Array.from(table.tHead.rows[0].cells);
  let column = -1, ascending = true;
  function key(row) {
    const cell = row.cells[column];
    if (cell.dataset.v === undefined) return cell.textContent.toLowerCase();
    return cell.dataset.v === '' ? NaN : parseFloat(cell.dataset.v);
  }
  function order(a, b) {
    const x = key(a), y = key(b);
    if (typeof x === 'string') return ascending ? x.localeCompare(y) : y.localeCompare(x);
    if (isNaN(x) || isNaN(y)) return isNaN(x) - isNaN(y);
    return ascending ? x - y : y - x;
  }
  function sortBy(index, up) {
    column = index;
    ascending = up;
    Array.from(body.rows).sort(order).forEach(function (row) { body.appendChild(row); });
    headers.forEach(function (h, i) {
      h.className = i === index ? (up ? 'asc' : 'desc') : '';
    });
  }
  headers.forEach(function (h, i) {
    h.addEventListener('click', function () { sortBy(i, column === i ? !ascending : true); });
  });
  document.getElementById('filter').addEventListener('input', function (event) {
    const text = event.target.value.toLowerCase();
    Array.from(body.rows).forEach(function (row) {
      row.hidden = text !== '' && row.textContent.toLowerCase().indexOf(text) < 0;
    });
  });
  const asked = /^#sort=([^,]+)(,desc)?$/.exec(decodeURIComponent(location.hash));
  if (asked) {
    const index = headers.findIndex(function (h) { return h.dataset.key === asked[1]; });
    if (index >= 0) sortBy(index, !asked[2]);
  }
})();
)";
