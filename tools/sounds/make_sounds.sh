#!/bin/sh
# Makes the eight mono test sounds of the speaker test: each speaks the name
# of its speaker, and the subwoofer's adds a low tone it can carry. Half are
# 8-bit and half 16-bit, so that both kinds of source are exercised; each
# lasts 1.2 seconds. The results are committed in app/resources/sounds, so the
# build needs neither tool; run this again only to change them.
#
# Needs espeak-ng and sox (Debian packages of the same names).
set -eu

out=$(cd "$(dirname "$0")/../../app/resources/sounds" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# make NAME "WORDS" BITS RATE [low]
make() {
    name=$1 words=$2 bits=$3 rate=$4
    espeak-ng -v en -s 150 -w "$work/speech.wav" "$words"
    # Silence is cut at both ends; the sound is normalised a little below
    # full scale and kept short.
    sox "$work/speech.wav" -c 1 -r "$rate" "$work/voice.wav" \
        silence 1 0.02 0.5% reverse silence 1 0.02 0.5% reverse norm -1
    if [ "${5:-}" = low ]; then
        sox -n -c 1 -r "$rate" "$work/tone.wav" synth 0.4 sine 55 fade 0.05 0.4 0.1 gain -3
        sox "$work/voice.wav" "$work/tone.wav" "$work/joined.wav"
        mv "$work/joined.wav" "$work/voice.wav"
    fi
    if [ "$bits" = 8 ]; then encoding=unsigned-integer; else encoding=signed-integer; fi
    sox -V1 -D "$work/voice.wav" -b "$bits" -e "$encoding" -t wav "$out/$name" pad 0 1.2 trim 0 1.2
}

make left.wav "left" 8 11025
make right.wav "right" 8 11025
make fleft.wav "front left" 16 11025
make fright.wav "front right" 16 11025
make rleft.wav "rear left" 8 11025
make rright.wav "rear right" 8 11025
make center.wav "center" 16 22050
make subw.wav "subwoofer" 16 11025 low
