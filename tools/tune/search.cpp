#include "tune/search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <map>
#include <nlopt.hpp>
#include <vector>

namespace tasc::tune {
namespace {

std::vector<std::size_t> freeVariables(const Bounds& bounds) {
  std::vector<std::size_t> free;
  for (std::size_t i = 0; i < kVariableCount; ++i) {
    if (!bounds[i].fixed) free.push_back(i);
  }
  return free;
}

using Key = std::array<double, kVariableCount>;

Key keyOf(const ParamRecord& r) {
  Key k{};
  for (std::size_t i = 0; i < kVariableCount; ++i) k[i] = variable(r, i);
  return k;
}

// NLopt calls back into this. Every point is taken at the variables' steps, so
// repeated points cost no simulation; the budget counts simulations.
class Objective {
 public:
  Objective(const Evaluate& evaluate, const ParamRecord& start, const SearchOptions& o,
            const Progress& progress)
      : evaluate_(evaluate), start_(start), o_(o), progress_(progress) {}

  Candidate measure(const ParamRecord& r) {
    const Key k = keyOf(r);
    if (const auto it = cache_.find(k); it != cache_.end()) return it->second;
    Candidate c{r, evaluate_(r), {}};
    ++evaluations_;
    if (evaluations_ == 1) {  // the start: the limits follow from it
      limits_ = startLimits(c.metrics, o_.extraTime);
      if (o_.maxChanges) limits_.maxChanges = *o_.maxChanges;
      if (o_.maxJerk) limits_.maxJerk = *o_.maxJerk;
    }
    c.score = score(c.metrics, limits_, r);
    cache_.emplace(k, c);
    if (evaluations_ == 1 || c.score.total() < best_.score.total()) best_ = c;
    if (progress_) progress_(evaluations_, best_);
    return c;
  }

  static double call(unsigned, const double* x, double*, void* data) {
    return static_cast<Objective*>(data)->at(x);
  }

  void run(nlopt::opt& opt, std::vector<double>& x, std::size_t until) {
    until_ = std::min(until, o_.budget);
    if (evaluations_ >= until_) return;
    opt_ = &opt;
    double value = 0;
    try {
      opt.optimize(x, value);
    } catch (const nlopt::forced_stop&) {
    } catch (const nlopt::roundoff_limited&) {
    }
    if (error_) std::rethrow_exception(error_);
  }

  const Candidate& best() const { return best_; }
  const Limits& limits() const { return limits_; }
  std::size_t evaluations() const { return evaluations_; }

 private:
  double at(const double* x) {
    const ParamRecord r = recordAt(start_, o_.bounds, x);
    if (!cache_.count(keyOf(r)) && evaluations_ >= until_) {
      opt_->force_stop();
      return best_.score.total();
    }
    try {
      return measure(r).score.total();
    } catch (...) {
      // NLopt would turn it into a bare failure: keep it and stop.
      error_ = std::current_exception();
      opt_->force_stop();
      return best_.score.total();
    }
  }

  const Evaluate& evaluate_;
  const ParamRecord start_;
  const SearchOptions& o_;
  const Progress& progress_;
  std::map<Key, Candidate> cache_;
  Candidate best_;
  Limits limits_;
  std::size_t evaluations_ = 0;
  std::size_t until_ = 0;
  nlopt::opt* opt_ = nullptr;
  std::exception_ptr error_;
};

}  // namespace

bool leadTimesSortable(const Bounds& bounds) {
  for (std::size_t i = 0; i < static_cast<std::size_t>(kLeadTimeCount); ++i) {
    if (bounds[i].fixed) return false;
    if (i > 0 && (bounds[i].lower > bounds[i - 1].lower || bounds[i].upper > bounds[i - 1].upper))
      return false;
  }
  return true;
}

ParamRecord recordAt(const ParamRecord& start, const Bounds& bounds, const double* x) {
  ParamRecord r = start;
  std::size_t k = 0;
  for (std::size_t i = 0; i < kVariableCount; ++i) {
    if (bounds[i].fixed) continue;
    const double v = std::clamp(x[k++], bounds[i].lower, bounds[i].upper);
    setVariable(r, i, onStep(i, v));
  }
  // Lead times that do not fall make a staircase out of order. When all five
  // are free and their bounds fall, the i-th largest of the five lies within
  // the bounds of lead time i, so sorting them keeps every point within its
  // bounds and turns each into a record with falling lead times.
  if (leadTimesSortable(bounds)) std::sort(r.leadTime.rbegin(), r.leadTime.rend());
  return r;
}

std::size_t freeCount(const Bounds& bounds) {
  return freeVariables(bounds).size();
}

std::size_t globalSweeps(std::size_t budget) {
  return (budget * 2 + 2) / 5;  // two fifths, rounded (never a half)
}

std::size_t neededBudget(std::size_t free) {
  // The global phase sets up its population of n + 1 points and tries as many
  // new ones: the least budget whose two fifths, rounded, reach 2 (n + 1).
  return free == 0 ? 1 : (10 * (free + 1) - 1) / 2;
}

SearchResult search(const Evaluate& evaluate, const ParamRecord& start, const SearchOptions& o,
                    const Progress& progress) {
  Objective objective(evaluate, start, o, progress);
  SearchResult result;
  result.start = objective.measure(start);
  const std::vector<std::size_t> free = freeVariables(o.bounds);
  if (!free.empty()) {
    const auto n = static_cast<unsigned>(free.size());
    std::vector<double> lower, upper, x, step;
    for (std::size_t i : free) {
      lower.push_back(o.bounds[i].lower);
      upper.push_back(o.bounds[i].upper);
      x.push_back(std::clamp(variable(start, i), o.bounds[i].lower, o.bounds[i].upper));
      step.push_back(std::max(0.05 * (o.bounds[i].upper - o.bounds[i].lower), variableStep(i)));
    }
    const auto budgetGuard = static_cast<int>(std::min<std::size_t>(o.budget * 50, 1000000));
    nlopt::srand(o.seed);
    nlopt::opt global(nlopt::GN_CRS2_LM, n);
    global.set_lower_bounds(lower);
    global.set_upper_bounds(upper);
    global.set_population(n + 1);  // the smallest: most of a short budget goes to its trials
    global.set_maxeval(budgetGuard);
    global.set_min_objective(&Objective::call, &objective);
    objective.run(global, x, globalSweeps(o.budget));

    // The polish starts from the best point so far; when it converges before
    // the budget is spent it starts again from there with half the steps.
    for (int round = 0; round < 4 && objective.evaluations() < o.budget; ++round) {
      const ParamRecord& best = objective.best().record;
      for (std::size_t k = 0; k < free.size(); ++k) x[k] = variable(best, free[k]);
      nlopt::opt local(nlopt::LN_NELDERMEAD, n);
      local.set_lower_bounds(lower);
      local.set_upper_bounds(upper);
      local.set_initial_step(step);
      local.set_maxeval(budgetGuard);
      local.set_min_objective(&Objective::call, &objective);
      objective.run(local, x, o.budget);
      for (double& d : step) d *= 0.5;
    }
  }
  result.best = objective.best();
  result.limits = objective.limits();
  result.evaluations = objective.evaluations();
  return result;
}

}  // namespace tasc::tune
