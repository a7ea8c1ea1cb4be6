#!/usr/bin/perl
# Reads the step wedge back from a page rasterised in grey (PGM) and checks each step's density
# on the default paper against the curve the film asked for.
#   wedge_check.pl PAGE.pgm identity|lin-od MIN_OD MAX_OD STEPS TOLERANCE_OD
use strict; use warnings; my ($page, $shape, $min, $max, $steps, $tolerance) = @ARGV;
open my $f, '<', $page or die "$page: $!"; binmode $f; local $/; my $data = <$f>;
my ($width, $height) = $data =~ s/^P5\s+(\d+)\s+(\d+)\s+\d+\s// ? ($1, $2) : die "not a PGM";
my @paper = map { my $c = 1 - $_ / 17; 0.07 - log(1 - $c * (1 - 10 ** -1.45)) / log(10) } 0 .. 17;
sub density_of_grey { my $p = $_[0] * 17 / 255; my $i = $p >= 17 ? 16 : int $p; $paper[$i] + ($p - $i) * ($paper[$i + 1] - $paper[$i]) }
sub lum { my $x = log $_[0]; my @n = (-1.3011877, 8.0242636E-2, 1.3646699E-1, -2.5468404E-2, 1.3635334E-3);
  my @d = (1, -2.5840191E-2, -1.0320229E-1, 2.8745620E-2, -3.1978977E-3, 1.2992634E-4);
  my ($a, $b) = (0, 0); $a = $a * $x + $_ for reverse @n; $b = $b * $x + $_ for reverse @d; 10 ** ($a / $b) }
sub jnd { my $x = log($_[0]) / log(10); my $j = 0;
  $j = $j * $x + $_ for reverse(71.498068, 94.593053, 41.912053, 9.8247004, 0.28175407, -1.1878455, -0.18014349, 0.14710899, -0.017046845); $j }
sub expected { my $p = shift; return $max - $p * ($max - $min) if $shape eq 'lin-od';
  my ($dark, $bright) = (jnd(150 * 10 ** -$max), jnd(150 * 10 ** -$min)); -log(lum($dark + $p * ($bright - $dark)) / 150) / log(10) }
sub grey { ord substr $data, $_[1] * $width + $_[0], 1 }
# The wedge's rows are those with the most printed pixels (caption text has few); its middle one
# is read, from its first printed pixel.
my @printed = map { my $y = $_; scalar grep { grey($_, $y) < 250 } 0 .. $width - 1 } 0 .. $height - 1;
my $most = (sort { $b <=> $a } @printed)[0];
my @rows = grep { $printed[$_] >= 0.98 * $most } 0 .. $height - 1;
my $row = $rows[@rows / 2];
my $left = 0; $left++ while grey($left, $row) >= 250;
# Runs of one grey along that row, edges blended by the rasteriser left out; a last step of
# paper white runs into the margin.
my @runs; my $x = $left;
while ($x < $width && @runs < $steps) { my $g = grey($x, $row); my $start = $x; $x++ while $x < $width && grey($x, $row) == $g;
  push @runs, $g if $x - $start >= 3; }
@runs == $steps or die "found " . scalar(@runs) . " steps, not $steps\n";
my $failed = 0;
for my $i (0 .. $steps - 1) {
  my ($read, $want) = (density_of_grey($runs[$i]), expected($i / ($steps - 1)));
  printf "step %2d grey %3d density %.3f expected %.3f\n", $i, $runs[$i], $read, $want;
  $failed++ if abs($read - $want) > $tolerance;
}
exit($failed ? 1 : 0);
