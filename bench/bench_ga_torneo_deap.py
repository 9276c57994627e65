#!/usr/bin/env python3
"""The "Torneo" search of the GA window written with DEAP, for comparison.

20 chromosomes of 40 bits, "Strat" rules scored on AccionesXmes (the scorer
of bench_ga_deap.py). Each generation keeps the best individual and breeds
the others from parents picked by selTournament of 3, cxOnePoint with
probability 0.9 and mutFlipBit at MUTATIONS / 40 per bit. A score of -1 (no
rule) ranks below every other, as in the program.

Prints "best SEED SCORE" for each seed, then "deap_ms" : the minimum over
the timed runs of the generations alone (no imports, table loading or
first population), in milliseconds.

usage: bench_ga_torneo_deap.py GA7_MDB [seeds] [generations] [timed runs] [mutations]
"""
import os
import random
import sys
import time

from deap import tools

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from bench_ga_deap import bit_string_toolbox, load_market, make_score  # noqa: E402

POPULATION = 20
BITS = 40
CROSSOVER = 0.9


def main():
    path = sys.argv[1]
    seeds = int(sys.argv[2]) if len(sys.argv) > 2 else 100
    generations = int(sys.argv[3]) if len(sys.argv) > 3 else 50
    timed = int(sys.argv[4]) if len(sys.argv) > 4 else 10
    mutations = float(sys.argv[5]) if len(sys.argv) > 5 else 1.0
    m, series = load_market(path)
    score = make_score(m, series)

    def ranked(ind):
        s = score(ind)[0]
        return (float("-inf") if s == -1 else s,)

    toolbox = bit_string_toolbox()
    toolbox.register("evaluate", ranked)
    toolbox.register("select", tools.selTournament, tournsize=3)
    toolbox.register("mate", tools.cxOnePoint)
    toolbox.register("mutate", tools.mutFlipBit, indpb=mutations / BITS)

    def search(seed):
        random.seed(seed)
        pop = toolbox.population(n=POPULATION)
        start = time.perf_counter()
        for ind in pop:
            ind.fitness.values = toolbox.evaluate(ind)
        best = max(ind.fitness.values[0] for ind in pop)
        for _ in range(generations):
            elite = tools.selBest(pop, 1)
            offspring = list(map(toolbox.clone, toolbox.select(pop, len(pop) - 1)))
            for a, b in zip(offspring[::2], offspring[1::2]):
                if random.random() < CROSSOVER:
                    toolbox.mate(a, b)
            for ind in offspring:
                toolbox.mutate(ind)
                del ind.fitness.values
            for ind in offspring:
                ind.fitness.values = toolbox.evaluate(ind)
                best = max(best, ind.fitness.values[0])
            pop[:] = list(map(toolbox.clone, elite)) + offspring
        return best, time.perf_counter() - start

    for seed in range(seeds):
        best, _ = search(seed)
        print("best %d %.6f" % (seed, best))
    fastest = min(search(10000 + i)[1] for i in range(timed))
    print("deap_ms %.3f" % (fastest * 1000.0))


if __name__ == "__main__":
    main()
