// Gui text from a signed-distance-field font bound to texture slot 0: its alpha is 0.5 on a glyph's
// outline and rises inwards. The fill covers what lies deeper than the inner stroke radius; the stroke
// colour covers the band from the outer stroke radius outside the outline to the inner radius inside
// it. Edges are smoothed over one screen pixel, so text stays crisp at every size.

Texture2D glyphs : register(t0);
SamplerState glyphSampler : register(s0);

struct VertexInput
{
    float2 position : POSITION;
    float2 textureCoordinate : TEXCOORD0;
    float4 fillColor : COLOR0;
    float4 strokeColor : COLOR1;
    float innerStrokeRadius : TEXCOORD1;
    float outerStrokeRadius : TEXCOORD2;
};

struct PixelInput
{
    float4 position : SV_Position;
    float2 textureCoordinate : TEXCOORD0;
    float4 fillColor : COLOR0;
    float4 strokeColor : COLOR1;
    float2 strokeRadii : TEXCOORD1;
};

PixelInput vertex_main(VertexInput input)
{
    PixelInput output;
    output.position = float4(input.position, 0.0, 1.0);
    output.textureCoordinate = input.textureCoordinate;
    output.fillColor = input.fillColor;
    output.strokeColor = input.strokeColor;
    output.strokeRadii = float2(input.innerStrokeRadius, input.outerStrokeRadius);
    return output;
}

float4 pixel_main(PixelInput input) : SV_Target
{
    float distance = glyphs.Sample(glyphSampler, input.textureCoordinate).a;
    float smoothing = max(fwidth(distance) * 0.5, 0.0001);
    float fillEdge = 0.5 + input.strokeRadii.x;
    float strokeEdge = 0.5 - input.strokeRadii.y;
    float fill = smoothstep(fillEdge - smoothing, fillEdge + smoothing, distance);
    // A pixel is covered as much as at its centre, or as four samples a quarter of a pixel from the
    // centre each way together, whichever is more: a glyph drawn far smaller than it was baked keeps
    // strokes thinner than a pixel that pass between the centres.
    float2 across = ddx(input.textureCoordinate) * 0.25;
    float2 down = ddy(input.textureCoordinate) * 0.25;
    float around = 0.0;
    for (int i = 0; i < 4; ++i)
    {
        float2 offset = (i % 2 == 0 ? -across : across) + (i < 2 ? -down : down);
        float sampled = glyphs.Sample(glyphSampler, input.textureCoordinate + offset).a;
        around += smoothstep(strokeEdge - smoothing, strokeEdge + smoothing, sampled) * 0.25;
    }
    float coverage = max(smoothstep(strokeEdge - smoothing, strokeEdge + smoothing, distance), around);
    float4 color = lerp(input.strokeColor, input.fillColor, fill);
    return float4(color.rgb, color.a * coverage);
}
