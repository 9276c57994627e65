#!/usr/bin/env python3
"""The rule search of the GA window written with DEAP, for comparison.

20 chromosomes of 40 bits, "Strat" rules scored on AccionesXmes, roulette
selection on fitness shifted by the lowest fitness when any is negative
(the first individual when the shifted total is 0, as every cumulative
probability then reaches the draw), one-point crossover of random pairs,
one interior bit flipped with probability 0.005 per offspring. Only the
generations are timed (no imports, table loading or first population);
prints the minimum over the repeats in milliseconds.

usage: bench_ga_deap.py GA7_MDB [generations] [repeats]
"""
import random
import sqlite3
import sys
import time

from deap import base, creator, tools

POPULATION = 20
BITS = 40
MUTATION = 0.005
STATISTIC_MARKS = ("AVG", "MAX", "MIN", "STD")


def load_market(path):
    rows = sqlite3.connect(path).execute("SELECT * FROM AccionesXmes ORDER BY rowid").fetchall()
    series = {}
    for row in rows:
        numero = int(row[0] or 0)
        months = [float(v or 0) for v in row[4:16]]
        series.setdefault(numero, (str(row[1] or ""), months))
    return len(rows), series


def value(bits):
    v = 0
    for b in bits:
        v = v * 2 + b
    return v


OPS = {0: "=", 1: "=", 2: ">=", 3: ">=", 4: "<=", 5: "<=", 6: "<", 7: ">"}
CONNECTORS = {0: "not", 1: "and", 2: "or", 3: "end"}


def compara(a, op, b):
    if op == ">=":
        return a >= b
    if op == "<=":
        return a <= b
    if op == ">":
        return a > b
    if op == "<":
        return a < b
    return a == b


def make_score(m, series):
    def map_gene(x):
        r = x - m * (x // m)
        return m if r == 0 else r

    def score(ind):
        traded = value(ind[0:6])
        if traded == 0 or m == 0:
            return (-1.0,)
        b, c = value(ind[6:12]), value(ind[15:21])
        e, f = value(ind[23:29]), value(ind[32:38])
        if b == c or e == f:
            return (-1.0,)
        op1, op2 = OPS[value(ind[12:15])], OPS[value(ind[29:32])]
        conn = CONNECTORS[value(ind[21:23])]
        rows = [series.get(map_gene(g)) for g in (b, c, e, f)]
        if any(r is None for r in rows):
            return (-1.0,)
        t = series.get(map_gene(traded))
        if t is None:
            return (-1.0,)
        if any(mark in t[0] for mark in STATISTIC_MARKS):
            return (0.0,)
        total = 0.0
        for k in range(12):
            c1 = compara(rows[0][1][k], op1, rows[1][1][k])
            c2 = compara(rows[2][1][k], op2, rows[3][1][k])
            if conn == "and":
                holds = c1 and c2
            elif conn == "or":
                holds = c1 or c2
            elif conn == "not":
                holds = (not c1) and c2
            else:
                holds = c1
            if holds:
                total += t[1][k]
        return (total,)

    return score


def sel_shifted_roulette(individuals, k):
    fits = [ind.fitness.values[0] for ind in individuals]
    low = min(fits)
    weights = [f - low for f in fits] if low < 0 else fits
    total = sum(weights)
    chosen = []
    for _ in range(k):
        if total == 0:
            # Every probability is 1: the first row reaches any draw.
            chosen.append(individuals[0])
            continue
        r = random.random() * total
        acc = 0.0
        pick = individuals[-1]
        for ind, w in zip(individuals, weights):
            acc += w
            if acc >= r:
                pick = ind
                break
        chosen.append(pick)
    return chosen


def mut_interior_bit(ind):
    if random.random() <= MUTATION and len(ind) > 2:
        p = random.randint(1, len(ind) - 2)
        ind[p] = 1 - ind[p]
    return (ind,)


def bit_string_toolbox():
    """A DEAP toolbox whose individuals are BITS random bits, fitness maximised."""
    creator.create("FitnessMax", base.Fitness, weights=(1.0,))
    creator.create("Individual", list, fitness=creator.FitnessMax)
    toolbox = base.Toolbox()
    toolbox.register("bit", random.randint, 0, 1)
    toolbox.register("individual", tools.initRepeat, creator.Individual, toolbox.bit, BITS)
    toolbox.register("population", tools.initRepeat, list, toolbox.individual)
    return toolbox


def main():
    path = sys.argv[1]
    generations = int(sys.argv[2]) if len(sys.argv) > 2 else 50
    repeats = int(sys.argv[3]) if len(sys.argv) > 3 else 10
    m, series = load_market(path)

    toolbox = bit_string_toolbox()
    toolbox.register("evaluate", make_score(m, series))
    toolbox.register("select", sel_shifted_roulette)
    toolbox.register("mate", tools.cxOnePoint)
    toolbox.register("mutate", mut_interior_bit)

    best = None
    for repeat in range(repeats):
        random.seed(repeat)
        pop = toolbox.population(n=POPULATION)
        start = time.perf_counter()
        for ind in pop:
            ind.fitness.values = toolbox.evaluate(ind)
        for _ in range(generations):
            offspring = list(map(toolbox.clone, toolbox.select(pop, len(pop))))
            random.shuffle(offspring)
            for a, b in zip(offspring[::2], offspring[1::2]):
                toolbox.mate(a, b)
                toolbox.mutate(a)
                del a.fitness.values, b.fitness.values
            for ind in offspring:
                ind.fitness.values = toolbox.evaluate(ind)
            pop[:] = offspring
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    print("deap_ms %.3f" % (best * 1000.0))


if __name__ == "__main__":
    main()
