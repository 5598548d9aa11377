"""Pictures of a fit with matplotlib, imported only when a picture is asked
for: each data set with its error bars and fitted curve, and the residuals
below it."""
import numpy as np

# Points of a fitted curve between the smallest and the largest x.
CURVE_POINTS = 500


def _values(result, data):
    return [float(result.values[result.names.index(name)]) for name in data.names]


def _curve(data, values):
    """The fitted curve: on a fine grid across a one-dimensional x where the
    model function takes it, else at the data's own x in order."""
    x = data.x
    if x.ndim == 1 and x.size > 1:
        grid = np.linspace(x.min(), x.max(), CURVE_POINTS)
        try:
            curve = np.asarray(data.function(grid, *values), dtype=float)
            if curve.shape == grid.shape:
                return grid, curve
        except Exception:  # a model made for the data's x alone
            pass
    order = np.argsort(x) if x.ndim == 1 else np.arange(data.y.size)
    curve = np.asarray(data.function(x, *values), dtype=float)
    return _abscissa(data)[order], curve[order]


def _abscissa(data):
    """What a data set is drawn against: its x, or the point's number where x
    has more than one dimension."""
    return data.x if data.x.ndim == 1 else np.arange(data.y.size)


def _title(result, index, count):
    name = f"data set {index + 1}: " if count > 1 else ""
    if result.status != 0:
        return f"{name}status {result.status}: {result.message}"
    dof = result.degrees_of_freedom
    reduced = f", reduced \u03c7\u00b2 = {result.chi_square / dof:.4g}" if dof > 0 else ""
    return f"{name}converged{reduced}"


def _fit_draw(ax, result, data):
    """Data with error bars where sigma was given, and the fitted curve (the
    last iterate after a failed fit)."""
    x = _abscissa(data)
    weighted = not np.all(data.weights == 1.0)
    ax.errorbar(x, data.y, yerr=1.0 / data.weights if weighted else None, fmt="o",
                markersize=3, color="0.15", ecolor="0.6", elinewidth=1, label="data")
    grid, curve = _curve(data, _values(result, data))
    label, style = ("fit", "-") if result.status == 0 else ("last iterate", "--")
    ax.plot(grid, curve, style, color="tab:red", linewidth=1.8, label=label)
    ax.legend(loc="best")
    return weighted


def _residuals_draw(ax, result, data, index, weighted):
    ax.axhline(0.0, color="tab:red", linewidth=1)
    ax.plot(_abscissa(data), -result.residuals[index], "o", markersize=2.5, color="0.15")
    ax.set_ylabel("(data \u2212 fit) / \u03c3" if weighted else "data \u2212 fit")
    ax.set_xlabel("x" if data.x.ndim == 1 else "point")


def plot(result, ax=None):
    data_sets = result._context.data_sets
    if ax is not None:
        axes = [ax] if len(data_sets) == 1 else list(ax)
        if len(axes) != len(data_sets):
            raise ValueError(f"ax must hold one Axes per data set, {len(data_sets)}, "
                             f"not {len(axes)}")
        for index, (one_ax, data) in enumerate(zip(axes, data_sets)):
            _fit_draw(one_ax, result, data)
            one_ax.set_title(_title(result, index, len(data_sets)))
        return ax
    import matplotlib.pyplot as plt

    count = len(data_sets)
    figure, grid = plt.subplots(2, count, figsize=(6.4 * count, 5.6), squeeze=False,
                                gridspec_kw={"height_ratios": (3, 1)}, sharex="col")
    for index, data in enumerate(data_sets):
        weighted = _fit_draw(grid[0, index], result, data)
        grid[0, index].set_title(_title(result, index, count))
        _residuals_draw(grid[1, index], result, data, index, weighted)
    figure.tight_layout()
    return figure
