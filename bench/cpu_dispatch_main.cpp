// The process floor plus what load-time CPU dispatch costs (target_clones
// resolvers call libgcc's CPU detection at start-up): a static main that
// runs that detection and nothing else.
int main() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? 0 : 0;
}
