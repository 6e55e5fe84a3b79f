// Every parameter of the current brush and of the painting tools. Field names are the brush
// preset keys where there is one; widths are those the fields are stored in (values read from
// files keep the low bits).
#pragma once

#include <cstdint>
#include <string>

namespace qm {

struct BrushSettings {
    int16_t pressX = 0, pressY = 0;  // where the current left press began (view pixels)
    int16_t size = 20;               // tip size in document pixels, 1..5000
    int16_t randSiz = 0;             // size jitter 0..100
    int16_t sizemini = 0;            // smallest dab size in percent of size (sizeVsPressure)
    int16_t sizeY = 100;             // tip height in percent of size
    int16_t sizeX = 100;             // tip width in percent of size
    uint8_t brushsizeRndfactor = 2;
    int16_t sizeVsTime = 0;          // divisor of the size decay; 0 = none
    double strokeSizeFactor = 100.0; // run-time: current size of the stroke in percent
    uint8_t sizeFactorVsTime = 0;
    uint8_t type = 0;                // tip shape 0..6
    uint8_t tool = 0;                // 0 brush, 1 pencil, 2 eraser, 3 water, 4 smudge
    uint8_t alpha = 255;
    int16_t alphaVsTime = 15;        // divisor of the opacity decay; 0 = none
    double strokeAlpha = 255.0;      // run-time: current opacity of the stroke
    uint8_t alphaFactorVsTime = 15;
    uint8_t keepAlpha = 0;
    double gradientX = 0.1, gradientX2 = 0.1, gradientX3 = 0.5;
    uint8_t alphaGradientX = 255, alphaGradientX2 = 0, alphaGradientX3 = 125;
    uint8_t mixing = 0;
    int16_t visco = 0;               // stored and shown only
    int16_t viscosity = 0;           // stored only
    uint8_t water = 0;
    int16_t rotate = 0;
    int16_t rotation = 0;            // written to presets only
    int16_t randRot = 360;
    uint32_t color = 0;              // the paint colour
    uint32_t selectedColor = 0;      // the colour the user chose; the source of color
    int16_t scatter = 10;
    uint8_t scatterLinkToSize = 1;
    uint8_t smoth = 0;               // tip image resampling: 0 smooth, else nearest pixel
    uint8_t pas = 5;                 // spacing of the dabs
    std::string name;
    std::string image;               // stored only
    std::string brushdir = "orrindal";
    std::string group = "Misc";
    int16_t brush = 1;               // index of the tip image in brushdir
    // Pen input. A mouse presses fully and does not lean, so the first three change nothing in
    // a mouse stroke.
    uint8_t sizeVsPressure = 0;   // 1: the dab size goes from sizemini % of size up to size
    uint8_t alphaVsPressure = 0;  // 1: the dab opacity goes from 0 up to the stroke's
    uint8_t rotateVsTilt = 0;     // 1: the tip turns with the direction the pen leans to
    uint8_t stabiliser = 0;       // steady line 0..100: the drawn point lags the pen; 0 = off
};

}  // namespace qm
